#include "foundation/Cpus.h"

#include <sched.h>

unsigned usableCpus()
{
    cpu_set_t cpus;
    if (sched_getaffinity(0, sizeof cpus, &cpus) != 0)
        return 1;
    return static_cast<unsigned>(CPU_COUNT(&cpus));
}
