// Must not compile: finding copies is core, QtCore only.
#include <QWidget>
