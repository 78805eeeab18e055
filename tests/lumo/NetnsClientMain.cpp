// Helper of tst_lumo_netns, run inside the utility's network namespace: finds the
// device, re-addresses it, waits for the test to move the device's interface,
// then checks that the device answers from its new address.
// Usage: lumo_netns_client SERIAL MAC PASSWORD NEW_ADDRESS MASK GATEWAY
#include "PacketCodec.h"
#include "lumo/lumo_api.h"

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::mutex g_mutex;
std::vector<LUMO_DEVICE_REPORT> g_reports;

void LUMO_CALL onReport(const LUMO_DEVICE_REPORT* pReport, void*)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_reports.push_back(*pReport);
}

bool waitForReport(uint32_t nEvent, const std::string& strSerial, const std::string& strAddress, int nSeconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(nSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            for (const LUMO_DEVICE_REPORT& report : g_reports)
                if (report.eventCode == nEvent && strSerial == report.serial
                    && (strAddress.empty() || strAddress == report.ipv4Address))
                    return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

size_t countEvents(uint32_t nEvent)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    size_t nCount = 0;
    for (const LUMO_DEVICE_REPORT& report : g_reports)
        nCount += report.eventCode == nEvent ? 1 : 0;
    return nCount;
}

// A plain unicast inquiry to the device's new address; prints who answered.
bool probeDirectly(const std::string& strAddress, const std::string& strSerial)
{
    asio::io_context io;
    asio::ip::udp::socket socket(io, asio::ip::udp::endpoint(asio::ip::udp::v4(), 0));
    const asio::ip::udp::endpoint device(asio::ip::make_address_v4(strAddress), lumo::kDefaultDevicePort);
    lumo::InquiryMessage inquiry;
    inquiry.windowMs = 10;
    for (int nTry = 0; nTry < 5; ++nTry) {
        socket.send_to(asio::buffer(lumo::PacketCodec::encodeInquiry(0x7777 + nTry, inquiry)), device);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (std::chrono::steady_clock::now() < deadline) {
            if (socket.available() == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            std::vector<uint8_t> buffer(2048);
            asio::ip::udp::endpoint from;
            const size_t nSize = socket.receive_from(asio::buffer(buffer), from);
            lumo::AnswerMessage answer;
            if (lumo::PacketCodec::decodeAnswer(buffer.data(), nSize, &answer) == lumo::DecodeError::None
                && answer.device.serial == strSerial) {
                std::printf("answer-from %s\n", from.address().to_string().c_str());
                return from.address().to_string() == strAddress;
            }
        }
    }
    std::printf("no direct answer\n");
    return false;
}

int fail(const char* pStep)
{
    std::printf("failed: %s\n", pStep);
    std::fflush(stdout);
    LUMO_Stop();
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 7) {
        std::fprintf(stderr, "usage: lumo_netns_client SERIAL MAC PASSWORD NEW_ADDRESS MASK GATEWAY\n");
        return 2;
    }
    const std::string strSerial = argv[1];
    const std::string strNewAddress = argv[4];
    if (LUMO_Start_V30(&onReport, 0, nullptr) != 1)
        return fail("start");
    LUMO_SendInquiry();
    if (!waitForReport(LUMO_EVENT_ONLINE, strSerial, {}, 10))
        return fail("discovery");
    std::printf("online\n");

    LUMO_NET_PARAM_BLOCK block;
    std::memset(&block, 0, sizeof(block));
    std::strncpy(block.ipv4Address, argv[4], sizeof(block.ipv4Address) - 1);
    std::strncpy(block.ipv4Mask, argv[5], sizeof(block.ipv4Mask) - 1);
    std::strncpy(block.ipv4Gateway, argv[6], sizeof(block.ipv4Gateway) - 1);
    block.port = 8000;
    if (LUMO_ModifyDeviceNetParam(argv[2], argv[3], &block) != 1)
        return fail("modify");
    std::printf("modified\n");
    if (!waitForReport(LUMO_EVENT_UPDATE, strSerial, strNewAddress, 5))
        return fail("update");
    std::printf("update %s\n", strNewAddress.c_str());
    std::fflush(stdout);

    std::string strLine;
    std::getline(std::cin, strLine); // the test has moved the device's interface
    if (!probeDirectly(strNewAddress, strSerial))
        return fail("direct answer");
    LUMO_SendInquiry();
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    std::printf("online-count %zu\n", countEvents(LUMO_EVENT_ONLINE));
    std::fflush(stdout);
    LUMO_Stop();
    return countEvents(LUMO_EVENT_ONLINE) == 1 ? 0 : 1;
}
