// FXPowerSupplyWatch: tells a frame pacer, from a host's event loop, whether
// the machine runs on battery (the power-supply folder), so that the
// battery cap holds while it does. Asked every kSupplySeconds: a few file
// reads.
#pragma once

#include <string>

class FXFramePacer;

class FXPowerSupplyWatch {
public:
    static constexpr double kSupplySeconds = 5.0;

    FXPowerSupplyWatch() = default;
    FXPowerSupplyWatch(const FXPowerSupplyWatch&) = delete;
    FXPowerSupplyWatch& operator=(const FXPowerSupplyWatch&) = delete;

    // The first Poll asks at once.
    void Create(FXFramePacer* pacer);
    void Destroy() { pacer = nullptr; }
    // Asks when due at time now (fxGetTime seconds); a trace line when the
    // supply changes, and at the first.
    void Poll(double now);
    const std::string& Folder() const { return supplies; }

private:
    FXFramePacer* pacer = nullptr;
    std::string supplies;
    double nextSupply = 0;
};
