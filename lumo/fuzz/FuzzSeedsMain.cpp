// Writes one valid datagram of every message type into a directory, as the
// starting corpus of the parser fuzzers.
#include "IpAddress.h"
#include "PacketCodec.h"

#include <fstream>
#include <string>

using namespace lumo;

namespace {

void write(const std::string& strDirectory, const char* pName, const std::vector<uint8_t>& datagram)
{
    std::ofstream file(strDirectory + "/" + pName, std::ios::binary);
    file.write(reinterpret_cast<const char*>(datagram.data()), std::streamsize(datagram.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::string strDirectory = argv[1];
    const MacBytes mac = {2, 0x4C, 0x55, 0, 0, 1};
    InquiryMessage inquiry;
    inquiry.windowMs = 4;
    inquiry.targets = {mac};
    write(strDirectory, "inquiry", PacketCodec::encodeInquiry(1, inquiry));
    AnswerMessage answer;
    answer.ttlMs = 120000;
    answer.device.mac = mac;
    answer.device.serial = "TL0000000001";
    answer.device.model = "K-VNT1C";
    answer.device.ipv4Address = IpAddress::parseIpv4("192.168.1.64").value_or(0);
    answer.device.capabilities = 7;
    answer.device.extendedValid = 1;
    write(strDirectory, "answer", PacketCodec::encodeAnswer(1, answer));
    AckMessage ack;
    ack.macs = {mac};
    write(strDirectory, "ack", PacketCodec::encodeAck(1, ack));
    GoodbyeMessage goodbye{mac, "TL0000000001"};
    write(strDirectory, "goodbye", PacketCodec::encodeGoodbye(0, goodbye));
    ChallengeRequestMessage request;
    request.mac = mac;
    write(strDirectory, "challenge-request", PacketCodec::encodeChallengeRequest(2, request));
    ChallengeMessage challenge;
    challenge.mac = mac;
    challenge.serial = "TL0000000001";
    challenge.opsLimit = 2;
    challenge.memLimitKib = 8192;
    write(strDirectory, "challenge", PacketCodec::encodeChallenge(2, challenge));
    ModifyMessage modify;
    modify.mac = mac;
    write(strDirectory, "modify", PacketCodec::encodeModify(2, modify, Key{}));
    ResetMessage reset;
    reset.mac = mac;
    reset.serial = "TL0000000001";
    write(strDirectory, "reset", PacketCodec::encodeReset(2, reset, Key{}));
    ResultMessage result;
    result.mac = mac;
    write(strDirectory, "result", PacketCodec::encodeResult(2, result, Key{}));
    return 0;
}
