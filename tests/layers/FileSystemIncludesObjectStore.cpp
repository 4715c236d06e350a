// Must not compile: the file-system layer and the object store are siblings.
#include "objectstore/StoreContext.h"
