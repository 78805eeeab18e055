<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>CAPT_LUMOMainWnd</name>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Can not find Manual.</source>
        <translation>Can not find Manual.</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>Sure to close software</source>
        <translation>Sure to close software</translation>
    </message>
</context>
<context>
    <name>CAPT_LUMOMainWndClass</name>
    <message>
        <source>LUMO</source>
        <translation>LUMO</translation>
    </message>
    <message>
        <source>Online Devices</source>
        <translation>Online Devices</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Help</translation>
    </message>
</context>
<context>
    <name>CBaseDialogClass</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CDeviceTableExport</name>
    <message>
        <source>Copy</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Export list...</source>
        <translation>Export list...</translation>
    </message>
    <message>
        <source>Export list</source>
        <translation>Export list</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>The list could not be saved to %1: %2</source>
        <translation>The list could not be saved to %1: %2</translation>
    </message>
</context>
<context>
    <name>CDlgAbout</name>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source> v2.00.00.01</source>
        <translation> v2.00.00.01</translation>
    </message>
</context>
<context>
    <name>CDlgAboutClass</name>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Lumo Software</source>
        <translation>Lumo Software</translation>
    </message>
    <message>
        <source>Version:</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CModifyResultText</name>
    <message>
        <source>Modify network parameter succeed.</source>
        <translation>Modify network parameter succeed.</translation>
    </message>
    <message>
        <source>ID:%1</source>
        <translation>ID:%1</translation>
    </message>
    <message>
        <source>Modify network parameter failed!</source>
        <translation>Modify network parameter failed!</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>wrong security code</source>
        <translation>wrong security code</translation>
    </message>
    <message>
        <source>wrong password</source>
        <translation>wrong password</translation>
    </message>
    <message>
        <source>locked for %1 more seconds</source>
        <translation>locked for %1 more seconds</translation>
    </message>
    <message>
        <source>value refused by the device</source>
        <translation>value refused by the device</translation>
    </message>
    <message>
        <source>not supported by the device</source>
        <translation>not supported by the device</translation>
    </message>
    <message>
        <source>invalid parameter</source>
        <translation>invalid parameter</translation>
    </message>
    <message>
        <source>device search is not running</source>
        <translation>device search is not running</translation>
    </message>
    <message>
        <source>Restore default password failed!</source>
        <translation>Restore default password failed!</translation>
    </message>
    <message>
        <source>(%1)</source>
        <translation>(%1)</translation>
    </message>
    <message>
        <source>authentication failed</source>
        <translation>authentication failed</translation>
    </message>
    <message>
        <source>refused by the device</source>
        <translation>refused by the device</translation>
    </message>
    <message>
        <source>refused by the device: %1</source>
        <translation>refused by the device: %1</translation>
    </message>
    <message>
        <source>still at its old address</source>
        <translation>still at its old address</translation>
    </message>
</context>
<context>
    <name>CMorvelApplication</name>
    <message>
        <source>LUMO</source>
        <translation>LUMO</translation>
    </message>
    <message>
        <source>Software is already running.</source>
        <translation>Software is already running.</translation>
    </message>
    <message>
        <source>The least resolution is 1024*768.</source>
        <translation>The least resolution is 1024*768.</translation>
    </message>
</context>
<context>
    <name>CWarnDlgClass</name>
    <message>
        <source>CWarmDlg</source>
        <translation>CWarmDlg</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Taldor IP Utility</source>
        <translation>Taldor IP Utility</translation>
    </message>
</context>
<context>
    <name>QtLumo</name>
    <message>
        <source>Device port ranges from 2000 to 65535.</source>
        <translation>Device port ranges from 2000 to 65535.</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Please select a device.</source>
        <translation>Please select a device.</translation>
    </message>
    <message>
        <source>Changing device %1 of %2 (ID:%3)</source>
        <translation>Changing device %1 of %2 (ID:%3)</translation>
    </message>
    <message>
        <source>IP address cannot be empty.</source>
        <translation>IP address cannot be empty.</translation>
    </message>
    <message>
        <source>IP Address not correct.</source>
        <translation>IP Address not correct.</translation>
    </message>
    <message>
        <source>Subnet mask cannot be empty.</source>
        <translation>Subnet mask cannot be empty.</translation>
    </message>
    <message>
        <source>Subnet Mask not correct.</source>
        <translation>Subnet Mask not correct.</translation>
    </message>
    <message>
        <source>Gateway not correct.</source>
        <translation>Gateway not correct.</translation>
    </message>
    <message>
        <source>IPv6 Address not correct.</source>
        <translation>IPv6 Address not correct.</translation>
    </message>
    <message>
        <source>IPv6 gateway not correct.</source>
        <translation>IPv6 gateway not correct.</translation>
    </message>
    <message>
        <source>IPv6 prefix length ranges from 0 to 64.</source>
        <translation>IPv6 prefix length ranges from 0 to 64.</translation>
    </message>
    <message>
        <source>%1 devices need %1 consecutive addresses from %2: the last part would run past 255.</source>
        <translation>%1 devices need %1 consecutive addresses from %2: the last part would run past 255.</translation>
    </message>
    <message>
        <source>IP address %1 is already used by device ID:%2.</source>
        <translation>IP address %1 is already used by device ID:%2.</translation>
    </message>
    <message>
        <source>Password cannot be empty.</source>
        <translation>Password cannot be empty.</translation>
    </message>
    <message>
        <source>Restore default password succeed.</source>
        <translation>Restore default password succeed.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Start IP Address:</source>
        <translation>Start IP Address:</translation>
    </message>
    <message>
        <source>Batch Modify Network parameters</source>
        <translation>Batch Modify Network parameters</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>IP Address:</translation>
    </message>
    <message>
        <source>Modify Network parameters</source>
        <translation>Modify Network parameters</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>OFF</translation>
    </message>
    <message>
        <source>K-VNT</source>
        <translation>K-VNT</translation>
    </message>
    <message>
        <source>ONVIF</source>
        <translation>ONVIF</translation>
    </message>
    <message>
        <source>ONVIF (%1)</source>
        <translation>ONVIF (%1)</translation>
    </message>
    <message>
        <source>The default password of an ONVIF device cannot be restored here: restore it on the device itself or with its maker&apos;s tool.</source>
        <translation>The default password of an ONVIF device cannot be restored here: restore it on the device itself or with its maker&apos;s tool.</translation>
    </message>
</context>
<context>
    <name>QtLumoClass</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;img src=&quot;:/images/ButtonIcon/infor_24.png&quot;/&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;img src=&quot;:/images/ButtonIcon/infor_24.png&quot;/&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>The total devices number:</source>
        <translation>The total devices number:</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>background-image: url(:/images/MainView/frame_gap.png);
border-style:none;</source>
        <translation>background-image: url(:/images/MainView/frame_gap.png);
border-style:none;</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>color: rgb(45, 91, 132);</source>
        <translation>color: rgb(45, 91, 132);</translation>
    </message>
    <message>
        <source>Modify Network parameters</source>
        <translation>Modify Network parameters</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>IP Address:</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation>Subnet Mask:</translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation>Gateway:</translation>
    </message>
    <message>
        <source>IPv6 Address:</source>
        <translation>IPv6 Address:</translation>
    </message>
    <message>
        <source>IPv6 Gateway:</source>
        <translation>IPv6 Gateway:</translation>
    </message>
    <message>
        <source>IPv6 Prefix Length:</source>
        <translation>IPv6 Prefix Length:</translation>
    </message>
    <message>
        <source>Device Serial:</source>
        <translation>Device Serial:</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Modify</source>
        <translation>Modify</translation>
    </message>
    <message>
        <source>Tips:Input password to modify the network parmeters.</source>
        <translation>Tips: Input the password to modify the network parameters.</translation>
    </message>
    <message>
        <source>Reset Default Password</source>
        <translation>Reset Default Password</translation>
    </message>
    <message>
        <source>Security code</source>
        <translation>Security code</translation>
    </message>
    <message>
        <source>Comeback</source>
        <translation>Comeback</translation>
    </message>
    <message>
        <source>Tips:The security code will be returned after you send the date and serial No. of the device to the manufacturer.</source>
        <translation>Tips: The manufacturer returns the security code after you send it the date and the serial number of the device.</translation>
    </message>
</context>
<context>
    <name>QtLumoItemModel</name>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Device Type</source>
        <translation>Device Type</translation>
    </message>
    <message>
        <source>IPv4 Address</source>
        <translation>IPv4 Address</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Soft Vision</source>
        <translation>Software Version</translation>
    </message>
    <message>
        <source>IPv4 GateWay</source>
        <translation>IPv4 Gateway</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>Serial Number</translation>
    </message>
    <message>
        <source>IPv4 Mask</source>
        <translation>IPv4 Mask</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>Channel NO</source>
        <translation>Channel No.</translation>
    </message>
    <message>
        <source>DSP Vision</source>
        <translation>DSP Version</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Start Time</translation>
    </message>
    <message>
        <source>IPv6 Address</source>
        <translation>IPv6 Address</translation>
    </message>
    <message>
        <source>IPv6 GateWay</source>
        <translation>IPv6 Gateway</translation>
    </message>
    <message>
        <source>IPv6 Prefix Length</source>
        <translation>IPv6 Prefix Length</translation>
    </message>
    <message>
        <source>Is Support IPv6</source>
        <translation>Is Support IPv6</translation>
    </message>
    <message>
        <source>Is Support Mod IPv6</source>
        <translation>Is Support Mod IPv6</translation>
    </message>
    <message>
        <source>Is Support DHCP</source>
        <translation>Is Support DHCP</translation>
    </message>
    <message>
        <source>IPv4 DHCP</source>
        <translation>IPv4 DHCP</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Source</translation>
    </message>
</context>
</TS>
