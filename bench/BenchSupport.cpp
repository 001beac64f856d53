#include "BenchSupport.h"

#include "BenchData.h"

namespace lng::bench {

BenchWorkbench::BenchWorkbench()
{
    state.catalogue.fill();
    generatedDatabase(dir.path());
    bench = std::make_unique<Workbench>(state, prompts, clipboard, dir.path());
    bench->formLoad();
}

LoadedTable::LoadedTable()
{
    state.IsUnlocked = true;
    bench->LoadTable();
}

} // namespace lng::bench
