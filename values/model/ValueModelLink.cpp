#include "values/model/ValueModelLink.h"

#include "values/model/NodeData.h"
#include "values/ValueModelHooks.h"
#include "values/model/ValueRegistries.h"

namespace zrl {

namespace {

std::string qualifiedName(const DataValue& value) {
  return value.parent->name + "." + VariableRegistry::global().name(value.id);
}

void valueChanged(DataValue& value) { value.tracker->notifyChanged(); }

}  // namespace

void linkValueModel() {
  static const bool installed = [] {
    installValueModelHooks({&qualifiedName, &valueChanged});
    return true;
  }();
  (void)installed;
}

}  // namespace zrl
