#pragma once

#include "shell_global.h"

#include <QLocale>
#include <QPixmap>
#include <QPointer>

class QTranslator;

// Ids of the language records; 2 and 3 are the branded variants of 0 and 1
// and differ from them only in the loading picture.
enum LanguageId
{
    LanguageEnglish = 0,
    LanguageChinese = 1,
    LanguageEnglishBranded = 2,
    LanguageChineseBranded = 3
};

// One language: its translator (owned), locale and loading picture.
class SHELL_EXPORT ClientLanguageProperty
{
public:
    explicit ClientLanguageProperty(int languageId = -1);
    virtual ~ClientLanguageProperty();
    ClientLanguageProperty(const ClientLanguageProperty&) = delete;
    ClientLanguageProperty& operator=(const ClientLanguageProperty&) = delete;

    int LanguageId() const { return m_nLanguageId; }
    const QLocale& Locale() const { return m_locale; }
    void SetLocale(const QLocale& locale) { m_locale = locale; }
    QTranslator* Translator() const { return m_pTranslator; }
    const QPixmap& LoadingPicture() const { return m_pixLoading; }
    void SetLoadingPicture(const QPixmap& picture) { m_pixLoading = picture; }

private:
    int m_nLanguageId;
    QLocale m_locale;
    QPointer<QTranslator> m_pTranslator;
    QPixmap m_pixLoading;
};
