#include "ClientLanguageProperty.h"

#include <QTranslator>

ClientLanguageProperty::ClientLanguageProperty(int languageId)
    : m_nLanguageId(languageId)
    , m_pTranslator(new QTranslator())
{
}

ClientLanguageProperty::~ClientLanguageProperty()
{
    delete m_pTranslator.data();
}
