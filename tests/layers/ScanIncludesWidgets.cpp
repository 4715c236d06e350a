// Must not compile: the core uses QtCore only.
#include <QWidget>
