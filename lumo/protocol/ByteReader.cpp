#include "ByteReader.h"

#include <cstring>

namespace lumo {

ByteReader::ByteReader(const uint8_t* pData, size_t nSize)
    : m_pData(pData), m_nSize(nSize)
{
}

bool ByteReader::take(size_t nCount)
{
    if (m_bFailed || nCount > m_nSize - m_nPosition) {
        m_bFailed = true;
        return false;
    }
    return true;
}

uint8_t ByteReader::getU8()
{
    if (!take(1))
        return 0;
    return m_pData[m_nPosition++];
}

uint16_t ByteReader::getU16()
{
    if (!take(2))
        return 0;
    const uint16_t nValue = static_cast<uint16_t>((m_pData[m_nPosition] << 8) | m_pData[m_nPosition + 1]);
    m_nPosition += 2;
    return nValue;
}

uint32_t ByteReader::getU32()
{
    if (!take(4))
        return 0;
    uint32_t nValue = 0;
    for (int i = 0; i < 4; ++i)
        nValue = (nValue << 8) | m_pData[m_nPosition + i];
    m_nPosition += 4;
    return nValue;
}

void ByteReader::getBytes(uint8_t* pOut, size_t nSize)
{
    if (!take(nSize)) {
        std::memset(pOut, 0, nSize);
        return;
    }
    if (nSize > 0)
        std::memcpy(pOut, m_pData + m_nPosition, nSize);
    m_nPosition += nSize;
}

std::string ByteReader::getText(size_t nMaxLength)
{
    const size_t nLength = getU8();
    if (m_bFailed)
        return {};
    if (nLength > nMaxLength || !take(nLength)) {
        m_bFailed = true;
        return {};
    }
    std::string strText(reinterpret_cast<const char*>(m_pData + m_nPosition), nLength);
    for (char c : strText) {
        if (c < 0x20 || c > 0x7E) {
            m_bFailed = true;
            return {};
        }
    }
    m_nPosition += nLength;
    return strText;
}

} // namespace lumo
