#include "kasemu/Emulator.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "kasemu/Cp866.h"
#include "kasemu/Link.h"
#include "kasemu/LinkLock.h"
#include "kasemu/Model.h"
#include "kasemu/Pty.h"
#include "kasemu/StateFile.h"
#include "model/LogoImage.h"
#include "transport/ControlFifo.h"

namespace kasemu {

struct Emulator::Impl {
    EmulatorOptions options;
    std::shared_ptr<const Clock> clock;
    mutable std::mutex modelMutex;
    std::unique_ptr<Model> model;
    FaultQueue faults;
    std::unique_ptr<PtyPort> pty;
    std::unique_ptr<Link> link;
    std::thread thread;
    bool running = false;
    std::string linkPath;
    std::unique_ptr<LinkLock> linkLock; // held while the link is served

    mutable std::mutex tapeMutex;
    std::vector<std::string> tape;
    std::ofstream tapeFile;
    std::unique_ptr<ControlFifo> control;

    // Under modelMutex: the display lines last shown.
    std::array<Bytes, 2> shownDisplay;

    void showDisplayLocked() {
        const auto& now = model->state().display;
        if (now == shownDisplay) {
            return;
        }
        shownDisplay = now;
        const std::string upper = deviceToUtf8(now[0]);
        const std::string lower = deviceToUtf8(now[1]);
        if (!options.displayFile.empty()) {
            std::ofstream out(options.displayFile, std::ios::trunc);
            out << upper << '\n' << lower << '\n';
        }
        if (options.tapeToStdout) {
            std::lock_guard lock(tapeMutex);
            std::cout << "[display] " << upper << " | " << lower << std::endl;
        }
    }

    // Under modelMutex: the last save flushed to the disk, and whether the file has changed
    // since.
    std::chrono::steady_clock::time_point lastSave{};
    bool unsaved = false;

    // Under modelMutex. Not durable: the file is replaced all the same, so a killed emulator
    // leaves exactly this state, but it is not flushed to the disk.
    void saveLocked(bool durable = true) {
        if (options.stateFile.empty()) {
            return;
        }
        unsaved = !durable;
        if (durable) {
            lastSave = std::chrono::steady_clock::now();
        }
        std::string error;
        if (!saveState(options.stateFile, model->state(), &error, durable)) {
            std::cerr << "kasemu: cannot save the state: " << error << std::endl;
        }
    }

    // Under modelMutex: after a command changed the memory, before its answer goes out. Every
    // change is in the file at once; a burst of commands (bulk article programming) is flushed
    // to the disk together.
    void changedLocked() {
        saveLocked(std::chrono::steady_clock::now() - lastSave >= kSaveInterval);
    }

    // Between rounds of the link.
    void saveIfDue() {
        std::lock_guard lock(modelMutex);
        if (unsaved && std::chrono::steady_clock::now() - lastSave >= kSaveInterval) {
            saveLocked();
        }
    }

    void writeLogo(const Logo& logo) const {
        if (options.logoFile.empty() || !logo.loaded()) {
            return;
        }
        const std::string tmp = options.logoFile + ".tmp";
        {
            std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
            f << logoPbm(logo);
            if (!f.flush()) {
                std::cerr << "kasemu: cannot write the logo to " << options.logoFile << std::endl;
                return;
            }
        }
        std::error_code ec;
        std::filesystem::rename(tmp, options.logoFile, ec);
        if (ec) {
            std::cerr << "kasemu: cannot write the logo to " << options.logoFile << ": "
                      << ec.message() << std::endl;
        }
    }

    static constexpr auto kSaveInterval = std::chrono::milliseconds(500);

    void printed(const std::vector<std::string>& lines) {
        if (lines.empty()) {
            return;
        }
        std::lock_guard lock(tapeMutex);
        for (const auto& l : lines) {
            tape.push_back(l);
            if (tapeFile.is_open()) {
                tapeFile << l << '\n';
            }
            if (options.tapeToStdout) {
                std::cout << l << '\n';
            }
        }
        if (tapeFile.is_open()) {
            tapeFile.flush();
        }
        if (options.tapeToStdout) {
            std::cout.flush();
        }
    }
};

Emulator::Emulator(EmulatorOptions options) : impl_(std::make_unique<Impl>()) {
    auto& d = *impl_;
    d.options = std::move(options);
    d.clock = d.options.clock ? d.options.clock : std::make_shared<SystemClock>();
    if (!d.options.linkPath.empty() && d.options.exclusiveLink) {
        d.linkLock = std::make_unique<LinkLock>(d.options.linkPath); // before anything is taken
    }

    RegisterState state = factoryState(d.options.model);
    if (!d.options.stateFile.empty()) {
        std::string error;
        if (auto loaded = loadState(d.options.stateFile, state, &error)) {
            state = std::move(*loaded);
        } else if (!error.empty()) {
            throw std::runtime_error("state file " + d.options.stateFile + ": " + error);
        }
    }
    // The firmware is in the register's ROM, not in its memory.
    state.identity.model = d.options.model;
    state.identity.firmware = d.options.firmware.empty() ? defaultFirmware(d.options.model)
                                                         : utf8ToDevice(d.options.firmware);
    if (d.options.lineSpeedIndex) {
        state.lineSpeedIndex = *d.options.lineSpeedIndex;
    }
    state.paperSensors = d.options.paperSensors;

    ModelConfig mc;
    mc.linesPerSecond = d.options.linesPerSecond;
    d.model = std::make_unique<Model>(std::move(state), *d.clock, mc);
    for (const auto& f : d.options.faults) {
        d.faults.arm(f);
    }
    if (!d.options.tapeFile.empty()) {
        d.tapeFile.open(d.options.tapeFile, std::ios::app);
        if (!d.tapeFile) {
            throw std::runtime_error("cannot open the tape file " + d.options.tapeFile);
        }
    }

    d.pty = std::make_unique<PtyPort>();
    LinkConfig lc;
    lc.pace = d.options.pace;
    lc.strictSpeed = d.options.strictSpeed;
    lc.trace = d.options.trace;
    lc.traceSink = d.options.traceSink;
    Impl* impl = impl_.get();
    lc.onOutcome = [impl](const Outcome& out) {
        impl->printed(out.printed);
        if (out.logoLoaded) {
            impl->writeLogo(impl->model->state().logo);
        }
        if (out.changed) {
            impl->changedLocked();
        }
        impl->showDisplayLocked();
    };
    d.link = std::make_unique<Link>(*d.pty, *d.model, d.modelMutex, d.faults, lc);
    if (!d.options.linkPath.empty()) {
        const std::string& link = d.options.linkPath;
        if (const std::error_code ec = kaspty::LinkTo(d.pty->slavePath(), link)) {
            throw std::runtime_error(ec == std::errc::file_exists
                                         ? link + " exists and is not a symbolic link"
                                         : "cannot link " + link + " to " + d.pty->slavePath() +
                                               ": " + ec.message());
        }
        d.linkPath = d.options.linkPath;
    }
    {
        std::lock_guard lock(d.modelMutex);
        d.saveLocked();
        d.writeLogo(d.model->state().logo);
    }
    d.shownDisplay = d.model->state().display;
    if (!d.options.displayFile.empty()) {
        std::ofstream(d.options.displayFile, std::ios::trunc)
            << deviceToUtf8(d.shownDisplay[0]) << '\n'
            << deviceToUtf8(d.shownDisplay[1]) << '\n';
    }
    if (!d.options.controlPath.empty()) {
        ControlFifo::Sink sink = d.options.controlSink;
        if (!sink) {
            sink = [](const std::string& l) { std::cerr << l << std::endl; };
        }
        d.control = std::make_unique<ControlFifo>(d.options.controlPath, d.faults, sink);
    }
    d.running = true;
    d.thread = std::thread([impl] {
        while (impl->link->poll(std::chrono::milliseconds(100))) {
            impl->saveIfDue();
        }
    });
}

Emulator::~Emulator() {
    stop();
}

void Emulator::stop() {
    auto& d = *impl_;
    if (!d.running) {
        return;
    }
    d.running = false;
    d.control.reset();
    d.pty->shutdown();
    if (d.thread.joinable()) {
        d.thread.join();
    }
    if (!d.linkPath.empty()) {
        kaspty::Unlink(d.pty->slavePath(), d.linkPath);
    }
    d.linkLock.reset();
    std::lock_guard lock(d.modelMutex);
    d.saveLocked();
}

bool Emulator::running() const {
    return impl_->running;
}
std::string Emulator::slavePath() const {
    return impl_->pty->slavePath();
}
std::string Emulator::linkPath() const {
    return impl_->linkPath;
}

void Emulator::inject(const Fault& fault) {
    impl_->faults.arm(fault);
}
void Emulator::clearFaults() {
    impl_->faults.clear();
}
std::size_t Emulator::armedFaults() const {
    return impl_->faults.armed();
}

void Emulator::withState(const std::function<void(RegisterState&)>& fn) {
    std::lock_guard lock(impl_->modelMutex);
    fn(impl_->model->state());
    impl_->link->setBaud(baudOfIndex(impl_->model->state().lineSpeedIndex));
    impl_->saveLocked();
}

RegisterState Emulator::state() const {
    std::lock_guard lock(impl_->modelMutex);
    return impl_->model->state();
}

void Emulator::setPaperSensors(std::uint8_t bits) {
    std::lock_guard lock(impl_->modelMutex);
    impl_->model->state().paperSensors = bits;
}

void Emulator::advanceClock(std::int64_t seconds) {
    std::lock_guard lock(impl_->modelMutex);
    impl_->model->advanceClock(seconds);
    impl_->saveLocked();
}

std::int64_t Emulator::registerTime() const {
    std::lock_guard lock(impl_->modelMutex);
    return impl_->model->now();
}

int Emulator::lineSpeed() const {
    return impl_->link->baud();
}
LinkCounters Emulator::counters() const {
    return impl_->link->counters();
}
void Emulator::resetCounters() {
    impl_->link->resetCounters();
}

std::vector<std::string> Emulator::tape() const {
    std::lock_guard lock(impl_->tapeMutex);
    return impl_->tape;
}

void Emulator::clearTape() {
    std::lock_guard lock(impl_->tapeMutex);
    impl_->tape.clear();
}

} // namespace kasemu
