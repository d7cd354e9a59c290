#include "values/model/ValueModelLink.h"

#include "values/model/NodeData.h"
#include "values/ValueModelHooks.h"
#include "values/model/ValueRegistries.h"

namespace zrl {

namespace {

std::string qualifiedName(const NodeData* group, int16_t id) {
  return group->name + "." + VariableRegistry::global().name(id);
}

void valueChanged(NodeDataValueAdd* tracker) { tracker->notifyChanged(); }

}  // namespace

void linkValueModel() {
  static const bool installed = [] {
    installValueModelHooks({&qualifiedName, &valueChanged});
    return true;
  }();
  (void)installed;
}

}  // namespace zrl
