// Must not compile: the scan screen sits below the application that holds it.
#include "app/VistrelView.h"
