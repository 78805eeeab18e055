#pragma once

#include "OnvifFleet.h"
#include "OnvifResponder.h"

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace devsim {

class OnvifDeviceService;

// Runs the simulated ONVIF cameras beside the simulator's other devices:
// discovery on the simulator's thread, a device service per camera, and a
// control thread of its own that moves cameras to new addresses and reboots
// them (stopping a camera's server waits for its requests, which must never
// hold up the simulator's thread).
class OnvifHost
{
public:
    // Asks the simulator, on its thread, to save camera nIndex; `done` runs once
    // the state file holding the change is on disk (or the save failed).
    using SaveRequest = std::function<void(size_t nIndex, std::function<void(bool bSaved)> done)>;

    static constexpr auto kMoveDelay = std::chrono::milliseconds(200);
    static constexpr auto kRebootSilence = std::chrono::milliseconds(1500);
    static constexpr auto kSaveWait = std::chrono::seconds(10);

    OnvifHost(asio::io_context& io, std::vector<OnvifSimDevice> devices, OnvifResponder::Settings settings,
              SaveRequest save);
    ~OnvifHost();

    // Discovery, the device services and a Hello from each camera.
    bool start(std::string& strError);
    // Bye from each camera, then silence.
    void stop();
    std::vector<OnvifSimDevice> devices() const { return m_fleet.snapshotAll(); }
    size_t size() const { return m_fleet.size(); }

private:
    bool persist(size_t nIndex);
    void moveSoon(size_t nIndex);
    void rebootSoon(size_t nIndex);
    void after(std::chrono::milliseconds delay, std::function<void()> action);
    // Starts the camera at its stored address and announces it there.
    void comeBack(size_t nIndex);

    asio::io_context& m_io;
    OnvifFleet m_fleet;
    OnvifResponder m_responder;
    SaveRequest m_save;
    std::vector<std::unique_ptr<OnvifDeviceService>> m_services;
    asio::io_context m_control;
    asio::executor_work_guard<asio::io_context::executor_type> m_controlWork;
    std::thread m_controlThread;
    std::atomic<bool> m_bStopping{false};
};

} // namespace devsim
