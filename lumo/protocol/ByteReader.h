#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumo {

// Reads big-endian fields from a buffer. Every read checks the remaining length;
// the first failed read latches the reader into the failed state and later reads
// return zero values, so a decoder checks ok() once at the end.
class ByteReader
{
public:
    ByteReader(const uint8_t* pData, size_t nSize);

    uint8_t getU8();
    uint16_t getU16();
    uint32_t getU32();
    void getBytes(uint8_t* pOut, size_t nSize);
    // A one-byte length and that many printable ASCII bytes (0x20..0x7E), at most nMaxLength.
    std::string getText(size_t nMaxLength);

    bool ok() const { return !m_bFailed; }
    bool atEnd() const { return m_nPosition == m_nSize; }
    size_t remaining() const { return m_nSize - m_nPosition; }
    size_t position() const { return m_nPosition; }

private:
    bool take(size_t nCount);

    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nPosition = 0;
    bool m_bFailed = false;
};

} // namespace lumo
