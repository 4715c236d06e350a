// Must not compile: the ncdu format needs the store only.
#include "history/SnapshotHistory.h"
