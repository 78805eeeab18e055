#include "ClientLanguageManager.h"

#include "AppPaths.h"
#include "ClientConfigManager.h"
#include "ClientLanguageProperty.h"

#include <ZelGuard.h>
#include <ZelMutex.h>

#include <QTranslator>

#include <atomic>

namespace {

const char* const kLoadingPictures[] = {
    ":images/Loading_bg_English.png",
    ":images/Loading_bg_Chinese.png",
    ":images/Loading_bg_English_Dorn.png",
    ":images/Loading_bg_Chinese_Dorn.png",
};

bool IsChinese(int languageId)
{
    return languageId == LanguageChinese || languageId == LanguageChineseBranded;
}

ZEL_Mutex& CreationMutex()
{
    static ZEL_Mutex mutex;
    return mutex;
}

std::atomic<ClientLanguageManager*> g_pInstance{nullptr};
std::unique_ptr<ClientLanguageManager> g_pOwner;

} // namespace

ClientLanguageManager* ClientLanguageManager::GetInstance()
{
    if (ClientLanguageManager* instance = g_pInstance.load(std::memory_order_acquire))
        return instance;
    ZEL_Guard guard(&CreationMutex());
    if (!g_pInstance.load(std::memory_order_relaxed)) {
        g_pOwner = std::make_unique<ClientLanguageManager>(GetAppDirPath());
        g_pInstance.store(g_pOwner.get(), std::memory_order_release);
    }
    return g_pInstance.load(std::memory_order_relaxed);
}

ClientLanguageManager::ClientLanguageManager(const QString& appDirPath)
{
    for (int id = LanguageEnglish; id <= LanguageChineseBranded; ++id) {
        if (auto record = BuildRecord(id, appDirPath))
            m_languages.push_back(std::move(record));
    }
}

ClientLanguageManager::~ClientLanguageManager() = default;

std::unique_ptr<ClientLanguageProperty> ClientLanguageManager::BuildRecord(int languageId,
                                                                           const QString& appDirPath) const
{
    auto record = std::make_unique<ClientLanguageProperty>(languageId);
    const bool chinese = IsChinese(languageId);
    const QString file = appDirPath
        + (chinese ? QStringLiteral("translations/Taldor_zh.qm") : QStringLiteral("translations/Taldor_en.qm"));
    const bool loaded = record->Translator()->load(file);
    if (chinese && !loaded)
        return nullptr;
    record->SetLocale(chinese ? QLocale(QLocale::Chinese, QLocale::China)
                              : QLocale(QLocale::English, QLocale::UnitedStates));
    record->SetLoadingPicture(QPixmap(QLatin1String(kLoadingPictures[languageId])));
    return record;
}

ClientLanguageProperty* ClientLanguageManager::Find(int languageId) const
{
    for (const auto& record : m_languages) {
        if (record->LanguageId() == languageId)
            return record.get();
    }
    return nullptr;
}

int ClientLanguageManager::ChosenLanguageId(int translator, int versionType)
{
    if (translator == LanguageEnglish)
        return versionType == 0 ? LanguageEnglishBranded : LanguageEnglish;
    if (translator == LanguageChinese)
        return versionType == 0 ? LanguageChineseBranded : LanguageChinese;
    return translator;
}

ClientLanguageProperty* ClientLanguageManager::GetCurrentProperty() const
{
    const ClientConfigManager* config = ClientConfigManager::GetInstance();
    const int id = ChosenLanguageId(config->IntValue(Translator), config->IntValue(VersionType));
    if (ClientLanguageProperty* record = Find(id))
        return record;
    return Find(LanguageEnglish);
}
