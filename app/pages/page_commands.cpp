#include "pages/page_commands.h"

namespace PageCommandTable {
namespace {
PageCommands* installed = nullptr;
}

PageCommands* current() { return installed; }

void install(PageCommands* table) { installed = table; }

}  // namespace PageCommandTable
