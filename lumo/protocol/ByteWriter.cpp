#include "ByteWriter.h"

namespace lumo {

void ByteWriter::putU8(uint8_t nValue)
{
    m_bytes.push_back(nValue);
}

void ByteWriter::putU16(uint16_t nValue)
{
    m_bytes.push_back(static_cast<uint8_t>(nValue >> 8));
    m_bytes.push_back(static_cast<uint8_t>(nValue));
}

void ByteWriter::putU32(uint32_t nValue)
{
    for (int nShift = 24; nShift >= 0; nShift -= 8)
        m_bytes.push_back(static_cast<uint8_t>(nValue >> nShift));
}

void ByteWriter::putBytes(const uint8_t* pData, size_t nSize)
{
    m_bytes.insert(m_bytes.end(), pData, pData + nSize);
}

void ByteWriter::putText(std::string_view strText)
{
    const size_t nLength = strText.size() > 255 ? 255 : strText.size();
    putU8(static_cast<uint8_t>(nLength));
    putBytes(reinterpret_cast<const uint8_t*>(strText.data()), nLength);
}

void ByteWriter::patchU16(size_t nOffset, uint16_t nValue)
{
    m_bytes.at(nOffset) = static_cast<uint8_t>(nValue >> 8);
    m_bytes.at(nOffset + 1) = static_cast<uint8_t>(nValue);
}

} // namespace lumo
