#include "restore/PlanItem.h"

#include "restore/Paths.h"

std::string PlanItem::RealTarget() const {
    return Paths::Join(realDirectory, name);
}
