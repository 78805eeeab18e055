#include "ClientConfig.h"

ClientConfig::ClientConfig(const QString& name, const QString& value)
    : m_strName(name)
    , m_strValue(value)
{
}

ClientConfig::~ClientConfig() = default;

int ClientConfig::IntValue() const
{
    return m_strValue.toInt(nullptr, 10);
}
