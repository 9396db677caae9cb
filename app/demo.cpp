#include "app/commands.h"

namespace quillet::app {
void addDemoCommand(CLI::App&, int&) {}
}  // namespace quillet::app
