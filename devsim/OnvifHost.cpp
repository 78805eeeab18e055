#include "OnvifHost.h"

#include "IpAddress.h"
#include "OnvifDeviceService.h"

#include <asio/post.hpp>
#include <asio/steady_timer.hpp>

#include <cstdio>
#include <future>

namespace devsim {

OnvifHost::OnvifHost(asio::io_context& io, std::vector<OnvifSimDevice> devices, OnvifResponder::Settings settings,
                     SaveRequest save)
    : m_io(io)
    , m_fleet(std::move(devices))
    , m_responder(io, m_fleet, std::move(settings))
    , m_save(std::move(save))
    , m_controlWork(asio::make_work_guard(m_control))
{
    OnvifDeviceService::Hooks hooks;
    hooks.persist = [this](size_t nIndex) { return persist(nIndex); };
    hooks.moveSoon = [this](size_t nIndex) { moveSoon(nIndex); };
    hooks.rebootSoon = [this](size_t nIndex) { rebootSoon(nIndex); };
    for (size_t i = 0; i < m_fleet.size(); ++i)
        m_services.push_back(std::make_unique<OnvifDeviceService>(m_fleet, i, hooks));
}

OnvifHost::~OnvifHost()
{
    stop();
}

bool OnvifHost::start(std::string& strError)
{
    if (!m_responder.open(strError))
        return false;
    for (size_t i = 0; i < m_fleet.size(); ++i) {
        const OnvifSimDevice device = m_fleet.update(i, [](OnvifSimDevice& target) {
            target.nActiveAddress = target.nAddress;
            target.bUp = true;
        });
        if (!m_services[i]->start(device.nActiveAddress, device.nHttpPort, strError))
            return false;
    }
    m_controlThread = std::thread([this] { m_control.run(); });
    for (size_t i = 0; i < m_fleet.size(); ++i)
        m_responder.hello(i);
    return true;
}

void OnvifHost::stop()
{
    if (m_bStopping.exchange(true))
        return;
    m_responder.byeAll();
    m_controlWork.reset();
    m_control.stop();
    if (m_controlThread.joinable())
        m_controlThread.join();
    for (auto& pService : m_services)
        pService->stop();
    m_responder.close();
}

bool OnvifHost::persist(size_t nIndex)
{
    // On an HTTP thread: the answer waits until the simulator has saved.
    auto pPromise = std::make_shared<std::promise<bool>>();
    std::future<bool> saved = pPromise->get_future();
    asio::post(m_io, [this, nIndex, pPromise] {
        m_save(nIndex, [pPromise](bool bSaved) { pPromise->set_value(bSaved); });
    });
    const auto deadline = std::chrono::steady_clock::now() + kSaveWait;
    while (saved.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        if (m_bStopping || std::chrono::steady_clock::now() >= deadline)
            return false;
    }
    return saved.get();
}

void OnvifHost::after(std::chrono::milliseconds delay, std::function<void()> action)
{
    auto pTimer = std::make_shared<asio::steady_timer>(m_control, delay);
    pTimer->async_wait([pTimer, action = std::move(action)](const std::error_code& error) {
        if (!error)
            action();
    });
}

void OnvifHost::moveSoon(size_t nIndex)
{
    // The answer leaves first; then the camera is at its new address at once.
    asio::post(m_control, [this, nIndex] {
        after(kMoveDelay, [this, nIndex] {
            m_services[nIndex]->stop();
            comeBack(nIndex);
        });
    });
}

void OnvifHost::rebootSoon(size_t nIndex)
{
    asio::post(m_control, [this, nIndex] {
        after(kMoveDelay, [this, nIndex] {
            m_fleet.update(nIndex, [](OnvifSimDevice& target) { target.bUp = false; });
            m_services[nIndex]->stop();
            after(kRebootSilence, [this, nIndex] { comeBack(nIndex); });
        });
    });
}

void OnvifHost::comeBack(size_t nIndex)
{
    const OnvifSimDevice device = m_fleet.update(nIndex, [](OnvifSimDevice& target) {
        if (target.nActiveAddress != target.nAddress)
            ++target.nMetadataVersion;
        target.nActiveAddress = target.nAddress;
    });
    std::string strError;
    const bool bStarted = m_services[nIndex]->start(device.nActiveAddress, device.nHttpPort, strError);
    m_fleet.update(nIndex, [bStarted](OnvifSimDevice& target) { target.bUp = bStarted; });
    if (!bStarted) {
        std::fprintf(stderr, "lumo-devsim: ONVIF camera %s: %s\n", device.strSerial.c_str(), strError.c_str());
        return;
    }
    asio::post(m_io, [this, nIndex] {
        if (!m_bStopping)
            m_responder.hello(nIndex);
    });
}

} // namespace devsim
