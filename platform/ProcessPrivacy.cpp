#include "ProcessPrivacy.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX)
#include <sys/prctl.h>
#include <sys/resource.h>
#endif

namespace corvane {

bool keepMemoryPrivate()
{
#if defined(Q_OS_LINUX)
    // Not dumpable: no core file, and /proc/PID/mem and ptrace are closed to the same user. The
    // limit of 0 covers a core pattern that pipes to a collector, which the flag alone may not stop.
    const rlimit noCore{0, 0};
    const bool limited = setrlimit(RLIMIT_CORE, &noCore) == 0;
    return prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && limited;
#else
    // Windows writes a crash dump only where the user or an administrator asked for one, and any
    // process of the same user may open this one for reading whatever its settings say.
    return true;
#endif
}

} // namespace corvane
