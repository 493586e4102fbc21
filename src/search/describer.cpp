#include "search/describer.h"

#include "search/footprintdescriber.h"
#include "search/legacydescribers.h"
#include "search/symboldescriber.h"

namespace tarnel::search {

const LibraryDescriber* DescriberFor(const LibraryKind& kind) {
    static const FootprintFolderDescriber footprints;
    static const LegacyModuleDescriber modules;
    static const LegacySymbolDescriber symbols;
    static const KicadSymbolDescriber kicadSymbols;
    static const LibraryDescriber* const all[] = {&footprints, &modules, &symbols, &kicadSymbols};
    for (const LibraryDescriber* d : all)
        if (d->Describes(kind)) return d;
    return nullptr;
}

} // namespace tarnel::search
