// manual_output.cpp - the hand-moved test device (see manual_output.h).
#include "manual_output.h"

#include <mutex>

#include "player.h"

namespace {

struct ManualState {
    std::mutex lock;  // guards everything below
    bool opens = true;
    bool starts = true;
    class ManualDevice* current = nullptr;
    std::vector<int16_t> played;
    int openNow = 0;
    int mostOpen = 0;
    int opened = 0;
    int closed = 0;
};
ManualState Manual;

class ManualDevice final : public OutputDevice {
   public:
    ManualDevice() {
        std::lock_guard<std::mutex> hold(Manual.lock);
        Manual.current = this;
        ++Manual.opened;
        ++Manual.openNow;
        if (Manual.openNow > Manual.mostOpen) Manual.mostOpen = Manual.openNow;
    }
    ~ManualDevice() override {
        std::lock_guard<std::mutex> hold(Manual.lock);
        if (Manual.current == this) Manual.current = nullptr;
        --Manual.openNow;
        ++Manual.closed;
    }
    bool Start(const int16_t* ring) override {
        std::lock_guard<std::mutex> hold(Manual.lock);
        if (!Manual.starts) return false;
        ring_ = ring;
        position_.store(0);
        return true;
    }
    uint64_t PlayPosition() const override { return position_.load(std::memory_order_acquire); }
    void Reset() override {
        std::lock_guard<std::mutex> hold(Manual.lock);
        ring_ = nullptr;
        position_.store(0);
    }
    // Called with Manual.lock held.
    bool Play(uint32_t bytes) {
        if (ring_ == nullptr) return false;
        uint64_t position = position_.load(std::memory_order_relaxed);
        RenderedBlocks.load(std::memory_order_acquire);
        size_t at = Manual.played.size();
        Manual.played.resize(at + bytes / 2);
        CopyFromRing(ring_, position, reinterpret_cast<uint8_t*>(Manual.played.data() + at), bytes & ~1u);
        position_.store(position + bytes, std::memory_order_release);
        return true;
    }
    bool Started() const { return ring_ != nullptr; }

   private:
    const int16_t* ring_ = nullptr;
    std::atomic<uint64_t> position_{0};
};

std::unique_ptr<OutputDevice> OpenManual() {
    if (ManualOutput::OnOpen != nullptr) ManualOutput::OnOpen();
    {
        std::lock_guard<std::mutex> hold(Manual.lock);
        if (!Manual.opens) return nullptr;
    }
    return std::make_unique<ManualDevice>();
}

}  // namespace

void (*ManualOutput::OnOpen)() = nullptr;

void ManualOutput::Install(bool opens, bool starts) {
    {
        std::lock_guard<std::mutex> hold(Manual.lock);
        Manual.opens = opens;
        Manual.starts = starts;
        Manual.played.clear();
        Manual.mostOpen = Manual.openNow;
        Manual.opened = 0;
        Manual.closed = 0;
    }
    OutputSetFactory(&OpenManual);
}

void ManualOutput::Uninstall() {
    OutputSetFactory(nullptr);
    OnOpen = nullptr;
}

bool ManualOutput::Play(uint32_t bytes) {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.current != nullptr && Manual.current->Play(bytes);
}

std::vector<int16_t> ManualOutput::TakePlayed() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    std::vector<int16_t> out;
    out.swap(Manual.played);
    return out;
}

uint64_t ManualOutput::Position() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.current != nullptr ? Manual.current->PlayPosition() : 0;
}

bool ManualOutput::Playing() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.current != nullptr && Manual.current->Started();
}

int ManualOutput::OpenNow() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.openNow;
}

int ManualOutput::MostOpenAtOnce() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.mostOpen;
}

int ManualOutput::Opened() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.opened;
}

int ManualOutput::Closed() {
    std::lock_guard<std::mutex> hold(Manual.lock);
    return Manual.closed;
}
