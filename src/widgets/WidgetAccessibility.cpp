#include "widgets/WidgetAccessibility.h"

#include <QAccessible>

#include "widgets/GradientButtonAccessible.h"
#include "widgets/LnkLabelAccessible.h"
#include "widgets/TLnkLabel.h"
#include "widgets/TZederuGradientButton.h"

namespace {

// The toolkit's accessibility cache owns the interfaces a factory makes.
QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("TZederuGradientButton")) {
        return new GradientButtonAccessible(static_cast<TZederuGradientButton*>(object));
    }
    if (className == QLatin1String("TLnkLabel")) {
        return new LnkLabelAccessible(static_cast<TLnkLabel*>(object));
    }
    return nullptr;
}

}  // namespace

void InstallWidgetAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    Q_UNUSED(installed);
}
