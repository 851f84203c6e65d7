#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Root reads through any permission bits (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH), and the tests
// run as root in CI. While this lives, the calling thread obeys permission bits like any user;
// afterwards it gets its powers back.
class PermissionBitsApply {
public:
    PermissionBitsApply() {
        if (::geteuid() != 0 || ::syscall(SYS_capget, &header, saved) != 0) return;
        __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        changed = ::syscall(SYS_capset, &header, reduced) == 0;
    }
    ~PermissionBitsApply() {
        if (changed) ::syscall(SYS_capset, &header, saved);
    }
    PermissionBitsApply(const PermissionBitsApply&) = delete;
    PermissionBitsApply& operator=(const PermissionBitsApply&) = delete;

private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
    bool changed = false;
};
