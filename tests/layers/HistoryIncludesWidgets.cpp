// Must not compile: the history is core, QtCore only.
#include <QWidget>
