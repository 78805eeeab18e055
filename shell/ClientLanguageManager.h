#pragma once

#include "shell_global.h"

#include <memory>
#include <vector>

class ClientLanguageProperty;
class QString;

// The process-wide language records. English records always exist; the
// Chinese ones only when their translation file loads.
class SHELL_EXPORT ClientLanguageManager
{
public:
    static ClientLanguageManager* GetInstance();

    // Builds the records from the translation files under appDirPath
    // ("translations/Taldor_en.qm", "translations/Taldor_zh.qm").
    explicit ClientLanguageManager(const QString& appDirPath);
    ~ClientLanguageManager();
    ClientLanguageManager(const ClientLanguageManager&) = delete;
    ClientLanguageManager& operator=(const ClientLanguageManager&) = delete;

    ClientLanguageProperty* Find(int languageId) const;
    // The record chosen by the Translator and VersionType settings; never null.
    ClientLanguageProperty* GetCurrentProperty() const;
    // The record id the settings ask for, before falling back to English.
    static int ChosenLanguageId(int translator, int versionType);

private:
    std::unique_ptr<ClientLanguageProperty> BuildRecord(int languageId, const QString& appDirPath) const;

    std::vector<std::unique_ptr<ClientLanguageProperty>> m_languages;
};
