#pragma once

#include "Messages.h"
#include "ProtocolConstants.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace lumo {

// Counts datagrams dropped, per reason; readable from any thread.
class DropCounter
{
public:
    void count(DecodeError reason);
    // Decodes the header; a datagram whose header fails is counted and refused.
    bool acceptHeader(const uint8_t* pData, size_t nSize, Header* pHeader);
    uint64_t count(DecodeError reason) const;
    uint64_t total() const;

private:
    std::array<std::atomic<uint64_t>, size_t(DecodeError::Count)> m_counts{};
};

} // namespace lumo
