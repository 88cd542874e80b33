#include "widgets/WidgetResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitWidgetsQrc() {
    Q_INIT_RESOURCE(widgets);
}

void InitWidgetResources() {
    InitWidgetsQrc();
}
