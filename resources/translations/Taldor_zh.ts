<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CAPT_LUMOMainWnd</name>
    <message>
        <source>Info</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Can not find Manual.</source>
        <translation>找不到用户手册。</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>Sure to close software</source>
        <translation>确定要关闭软件吗？</translation>
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
        <translation>在线设备</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
</context>
<context>
    <name>CBaseDialogClass</name>
    <message>
        <source>Dialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>CDeviceTableExport</name>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Export list...</source>
        <translation>导出列表...</translation>
    </message>
    <message>
        <source>Export list</source>
        <translation>导出列表</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>The list could not be saved to %1: %2</source>
        <translation>列表无法保存到 %1：%2</translation>
    </message>
</context>
<context>
    <name>CDlgAbout</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
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
        <translation>名称：</translation>
    </message>
    <message>
        <source>Lumo Software</source>
        <translation>Lumo 软件</translation>
    </message>
    <message>
        <source>Version:</source>
        <translation>版本：</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>CModifyResultText</name>
    <message>
        <source>Modify network parameter succeed.</source>
        <translation>修改网络参数成功。</translation>
    </message>
    <message>
        <source>ID:%1</source>
        <translation>ID:%1</translation>
    </message>
    <message>
        <source>Modify network parameter failed!</source>
        <translation>修改网络参数失败！</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>设备无应答</translation>
    </message>
    <message>
        <source>wrong security code</source>
        <translation>安全码错误</translation>
    </message>
    <message>
        <source>wrong password</source>
        <translation>密码错误</translation>
    </message>
    <message>
        <source>locked for %1 more seconds</source>
        <translation>已锁定，%1 秒后可重试</translation>
    </message>
    <message>
        <source>value refused by the device</source>
        <translation>设备拒绝了该参数</translation>
    </message>
    <message>
        <source>not supported by the device</source>
        <translation>设备不支持</translation>
    </message>
    <message>
        <source>invalid parameter</source>
        <translation>参数无效</translation>
    </message>
    <message>
        <source>device search is not running</source>
        <translation>设备搜索未运行</translation>
    </message>
    <message>
        <source>Restore default password failed!</source>
        <translation>恢复默认密码失败！</translation>
    </message>
    <message>
        <source>(%1)</source>
        <translation>（%1）</translation>
    </message>
    <message>
        <source>authentication failed</source>
        <translation>认证失败</translation>
    </message>
    <message>
        <source>refused by the device</source>
        <translation>设备拒绝</translation>
    </message>
    <message>
        <source>refused by the device: %1</source>
        <translation>设备拒绝：%1</translation>
    </message>
    <message>
        <source>still at its old address</source>
        <translation>设备仍在原地址</translation>
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
        <translation>软件已在运行。</translation>
    </message>
    <message>
        <source>The least resolution is 1024*768.</source>
        <translation>屏幕分辨率最低为 1024*768。</translation>
    </message>
</context>
<context>
    <name>CWarnDlgClass</name>
    <message>
        <source>CWarmDlg</source>
        <translation>提示框</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>版本信息</translation>
    </message>
    <message>
        <source>Taldor IP Utility</source>
        <translation>Taldor IP 工具</translation>
    </message>
</context>
<context>
    <name>QtLumo</name>
    <message>
        <source>Device port ranges from 2000 to 65535.</source>
        <translation>设备端口范围为 2000 到 65535。</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Please select a device.</source>
        <translation>请选择一台设备。</translation>
    </message>
    <message>
        <source>Changing device %1 of %2 (ID:%3)</source>
        <translation>正在修改第 %1 台设备，共 %2 台（ID:%3）</translation>
    </message>
    <message>
        <source>IP address cannot be empty.</source>
        <translation>IP 地址不能为空。</translation>
    </message>
    <message>
        <source>IP Address not correct.</source>
        <translation>IP 地址不正确。</translation>
    </message>
    <message>
        <source>Subnet mask cannot be empty.</source>
        <translation>子网掩码不能为空。</translation>
    </message>
    <message>
        <source>Subnet Mask not correct.</source>
        <translation>子网掩码不正确。</translation>
    </message>
    <message>
        <source>Gateway not correct.</source>
        <translation>网关不正确。</translation>
    </message>
    <message>
        <source>IPv6 Address not correct.</source>
        <translation>IPv6 地址不正确。</translation>
    </message>
    <message>
        <source>IPv6 gateway not correct.</source>
        <translation>IPv6 网关不正确。</translation>
    </message>
    <message>
        <source>IPv6 prefix length ranges from 0 to 64.</source>
        <translation>IPv6 前缀长度范围为 0 到 64。</translation>
    </message>
    <message>
        <source>%1 devices need %1 consecutive addresses from %2: the last part would run past 255.</source>
        <translation>%1 台设备需要从 %2 开始的 %1 个连续地址：最后一段将超过 255。</translation>
    </message>
    <message>
        <source>IP address %1 is already used by device ID:%2.</source>
        <translation>IP 地址 %1 已被设备 ID:%2 使用。</translation>
    </message>
    <message>
        <source>Password cannot be empty.</source>
        <translation>密码不能为空。</translation>
    </message>
    <message>
        <source>Restore default password succeed.</source>
        <translation>恢复默认密码成功。</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Start IP Address:</source>
        <translation>起始 IP 地址：</translation>
    </message>
    <message>
        <source>Batch Modify Network parameters</source>
        <translation>批量修改网络参数</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>IP 地址：</translation>
    </message>
    <message>
        <source>Modify Network parameters</source>
        <translation>修改网络参数</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>No</source>
        <translation>否</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>开启</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>关闭</translation>
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
        <translation>ONVIF（%1）</translation>
    </message>
    <message>
        <source>The default password of an ONVIF device cannot be restored here: restore it on the device itself or with its maker&apos;s tool.</source>
        <translation>此处无法恢复 ONVIF 设备的默认密码：请在设备上或使用其厂商的工具恢复。</translation>
    </message>
</context>
<context>
    <name>QtLumoClass</name>
    <message>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;img src=&quot;:/images/ButtonIcon/infor_24.png&quot;/&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;img src=&quot;:/images/ButtonIcon/infor_24.png&quot;/&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>The total devices number:</source>
        <translation>设备总数：</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>刷新</translation>
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
        <translation>修改网络参数</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>IP 地址：</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation>子网掩码：</translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation>网关：</translation>
    </message>
    <message>
        <source>IPv6 Address:</source>
        <translation>IPv6 地址：</translation>
    </message>
    <message>
        <source>IPv6 Gateway:</source>
        <translation>IPv6 网关：</translation>
    </message>
    <message>
        <source>IPv6 Prefix Length:</source>
        <translation>IPv6 前缀长度：</translation>
    </message>
    <message>
        <source>Device Serial:</source>
        <translation>设备序列号：</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>Modify</source>
        <translation>修改</translation>
    </message>
    <message>
        <source>Tips:Input password to modify the network parmeters.</source>
        <translation>提示：输入密码以修改网络参数。</translation>
    </message>
    <message>
        <source>Reset Default Password</source>
        <translation>恢复默认密码</translation>
    </message>
    <message>
        <source>Security code</source>
        <translation>安全码</translation>
    </message>
    <message>
        <source>Comeback</source>
        <translation>恢复</translation>
    </message>
    <message>
        <source>Tips:The security code will be returned after you send the date and serial No. of the device to the manufacturer.</source>
        <translation>提示：将设备的日期和序列号发送给厂家后，厂家会返回安全码。</translation>
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
        <translation>设备型号</translation>
    </message>
    <message>
        <source>IPv4 Address</source>
        <translation>IPv4 地址</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>Soft Vision</source>
        <translation>软件版本</translation>
    </message>
    <message>
        <source>IPv4 GateWay</source>
        <translation>IPv4 网关</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>IPv4 Mask</source>
        <translation>IPv4 子网掩码</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC 地址</translation>
    </message>
    <message>
        <source>Channel NO</source>
        <translation>通道数</translation>
    </message>
    <message>
        <source>DSP Vision</source>
        <translation>DSP 版本</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>启动时间</translation>
    </message>
    <message>
        <source>IPv6 Address</source>
        <translation>IPv6 地址</translation>
    </message>
    <message>
        <source>IPv6 GateWay</source>
        <translation>IPv6 网关</translation>
    </message>
    <message>
        <source>IPv6 Prefix Length</source>
        <translation>IPv6 前缀长度</translation>
    </message>
    <message>
        <source>Is Support IPv6</source>
        <translation>支持 IPv6</translation>
    </message>
    <message>
        <source>Is Support Mod IPv6</source>
        <translation>支持修改 IPv6</translation>
    </message>
    <message>
        <source>Is Support DHCP</source>
        <translation>支持 DHCP</translation>
    </message>
    <message>
        <source>IPv4 DHCP</source>
        <translation>IPv4 DHCP</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>来源</translation>
    </message>
</context>
</TS>
