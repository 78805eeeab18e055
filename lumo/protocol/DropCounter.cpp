#include "DropCounter.h"

#include "PacketCodec.h"

namespace lumo {

void DropCounter::count(DecodeError reason)
{
    if (reason != DecodeError::None && reason < DecodeError::Count)
        m_counts[size_t(reason)].fetch_add(1, std::memory_order_relaxed);
}

bool DropCounter::acceptHeader(const uint8_t* pData, size_t nSize, Header* pHeader)
{
    const DecodeError error = PacketCodec::decodeHeader(pData, nSize, pHeader);
    count(error);
    return error == DecodeError::None;
}

uint64_t DropCounter::count(DecodeError reason) const
{
    return reason < DecodeError::Count ? m_counts[size_t(reason)].load(std::memory_order_relaxed) : 0;
}

uint64_t DropCounter::total() const
{
    uint64_t nTotal = 0;
    for (const auto& counter : m_counts)
        nTotal += counter.load(std::memory_order_relaxed);
    return nTotal;
}

} // namespace lumo
