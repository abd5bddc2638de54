#include "sim/sim_pty.h"

// Windows has no pseudo-terminals; the simulator cannot open a port there.
SimPty::SimPty() = default;
SimPty::~SimPty() = default;
bool SimPty::Open() { return false; }
void SimPty::Close() {}
bool SimPty::IsOpen() const { return false; }
int SimPty::Read(char*, size_t, int) { return -1; }
void SimPty::Wake() {}
size_t SimPty::Write(const char*, size_t, const std::function<bool()>&, int) { return 0; }
