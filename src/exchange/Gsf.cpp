#include "Gsf.h"

#include <gsf/gsf-utils.h>

#include <mutex>

namespace lng::gsf {

void ensureInitialised()
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });
}

} // namespace lng::gsf
