#include "ClientConfigManager.h"

#include "ClientConfig.h"

#include <ZelGuard.h>
#include <ZelMutex.h>

#include <QDebug>
#include <QFile>
#include <QXmlStreamReader>

#include <atomic>

namespace {

const char* const kKeyNames[] = {"Translator", "LogLevel", "VersionType", "Skin", "Onvif", "OnvifUser"};

ZEL_Mutex& CreationMutex()
{
    static ZEL_Mutex mutex;
    return mutex;
}

std::atomic<ClientConfigManager*> g_pInstance{nullptr};
// Deletes the manager at process exit.
std::unique_ptr<ClientConfigManager> g_pOwner;

} // namespace

ClientConfigManager* ClientConfigManager::GetInstance()
{
    if (ClientConfigManager* instance = g_pInstance.load(std::memory_order_acquire))
        return instance;
    ZEL_Guard guard(&CreationMutex());
    if (!g_pInstance.load(std::memory_order_relaxed)) {
        g_pOwner.reset(new ClientConfigManager());
        g_pInstance.store(g_pOwner.get(), std::memory_order_release);
    }
    return g_pInstance.load(std::memory_order_relaxed);
}

ClientConfigManager::ClientConfigManager() = default;
ClientConfigManager::~ClientConfigManager() = default;

QString ClientConfigManager::KeyName(int key)
{
    if (key < 0 || key >= int(std::size(kKeyNames)))
        return QString();
    return QString::fromLatin1(kKeyNames[key]);
}

bool ClientConfigManager::IsKnownKey(const QString& name)
{
    for (const char* key : kKeyNames) {
        if (name == QLatin1String(key))
            return true;
    }
    return false;
}

bool ClientConfigManager::Load(const QString& filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "No file to read...";
        return false;
    }
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() == u"Configs")
            continue;
        auto config = std::make_unique<ClientConfig>(reader.name().toString());
        if (IsKnownKey(config->Name()))
            ReadFirstValue(reader, *config);
        m_configs.push_back(std::move(config));
    }
    // A syntax error ends the reading; what was read so far stays.
    return true;
}

// Reads on to the first Value end tag, so a setting without a Value child
// takes the next Value in the file.
void ClientConfigManager::ReadFirstValue(QXmlStreamReader& reader, ClientConfig& config)
{
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == u"Value") {
            config.SetValue(reader.readElementText());
            return;
        }
        if (reader.isEndElement() && reader.name() == u"Value")
            return;
    }
}

const ClientConfig* ClientConfigManager::Find(int key) const
{
    const QString name = KeyName(key);
    if (name.isEmpty())
        return nullptr;
    for (const auto& config : m_configs) {
        if (config->Name() == name)
            return config.get();
    }
    return nullptr;
}

int ClientConfigManager::IntValue(int key) const
{
    const ClientConfig* config = Find(key);
    return config ? config->IntValue() : 0;
}

bool ClientConfigManager::IsOnvifEnabled() const
{
    const ClientConfig* config = Find(Onvif);
    return !config || config->Value().trimmed() != QLatin1String("0");
}

QString ClientConfigManager::OnvifUserName() const
{
    const ClientConfig* config = Find(OnvifUser);
    const QString user = config ? config->Value().trimmed() : QString();
    return user.isEmpty() ? QStringLiteral("admin") : user;
}

void ClientConfigManager::Clear()
{
    m_configs.clear();
}

int ClientConfigManager::Count() const
{
    return int(m_configs.size());
}
