#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lumo {

// Appends big-endian integers, fixed byte blocks and length-prefixed texts.
class ByteWriter
{
public:
    void putU8(uint8_t nValue);
    void putU16(uint16_t nValue);
    void putU32(uint32_t nValue);
    void putBytes(const uint8_t* pData, size_t nSize);
    // Writes a one-byte length and the text; the caller keeps texts within their limits.
    void putText(std::string_view strText);
    void patchU16(size_t nOffset, uint16_t nValue);

    size_t size() const { return m_bytes.size(); }
    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    std::vector<uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

} // namespace lumo
