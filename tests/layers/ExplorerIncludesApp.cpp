// Must not compile: the explorer sits below the application shell.
#include "app/VistrelMainWindow.h"
