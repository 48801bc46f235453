#pragma once

#include <QtGlobal>

// This process's memory, from /proc/self.
namespace ProcessMemory {

// A size from /proc/self/status in bytes ("VmRSS", "VmHWM", "VmSize"), or -1.
qint64 status(const char *field);

// Starts the peak resident size (VmHWM) over from the present size; false
// where the kernel does not allow it.
bool resetPeak();

// While alive, caps the address space of the process at its present size
// plus a margin, so that code that runs away with memory fails with
// std::bad_alloc in a test instead of taking the machine's memory.
class AddressSpaceCap {
public:
    explicit AddressSpaceCap(qint64 margin);
    ~AddressSpaceCap();
    AddressSpaceCap(const AddressSpaceCap &) = delete;
    AddressSpaceCap &operator=(const AddressSpaceCap &) = delete;

private:
    bool set_ = false;
    quint64 softLimit_ = 0;
};

} // namespace ProcessMemory
