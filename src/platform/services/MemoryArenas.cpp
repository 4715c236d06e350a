#include "MemoryArenas.h"

#include <malloc.h>

#include <algorithm>
#include <thread>

namespace vistrel {

void MemoryArenas::limitToProcessors()
{
#ifdef M_ARENA_MAX
    // Fewer than two would make every thread of a scan wait on one lock.
    mallopt(M_ARENA_MAX, static_cast<int>(std::max(2u, std::thread::hardware_concurrency())));
#endif
}

} // namespace vistrel
