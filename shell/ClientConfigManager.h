#pragma once

#include "shell_global.h"

#include <QString>

#include <memory>
#include <vector>

class ClientConfig;
class QXmlStreamReader;

// The names the program looks up in Setup.xml.
enum ConfigKey
{
    Translator = 0,
    LogLevel = 1,
    VersionType = 2,
    Skin = 3,
    Onvif = 4,     // 0: ONVIF devices are not listed; anything else or absent: they are
    OnvifUser = 5  // the user name ONVIF devices are changed with; admin when absent
};

// The process-wide list of settings read from Setup.xml, in file order.
// Records are only ever appended, so the first value read for a name stays
// the one Find returns.
class SHELL_EXPORT ClientConfigManager
{
public:
    static ClientConfigManager* GetInstance();

    // Appends the file's settings; false only when it cannot be opened.
    bool Load(const QString& filePath);
    // The first record named after the key, or null.
    const ClientConfig* Find(int key) const;
    // The key's value as a decimal number; 0 when the setting is absent.
    int IntValue(int key) const;
    void Clear();
    // Whether ONVIF devices are listed, and the user name they are changed with.
    bool IsOnvifEnabled() const;
    QString OnvifUserName() const;
    int Count() const;

    static QString KeyName(int key);

    ~ClientConfigManager();

private:
    ClientConfigManager();
    ClientConfigManager(const ClientConfigManager&) = delete;
    ClientConfigManager& operator=(const ClientConfigManager&) = delete;

    static bool IsKnownKey(const QString& name);
    static void ReadFirstValue(QXmlStreamReader& reader, ClientConfig& config);

    std::vector<std::unique_ptr<ClientConfig>> m_configs;
};
