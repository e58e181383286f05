#include "text/com_apartment.h"

namespace quillet {
namespace {

thread_local int initCount = 0;

}  // namespace

void ComInitialize() {
    ++initCount;
}

void ComUninitialize() {
    if (initCount > 0) --initCount;
}

int ComInitCount() {
    return initCount;
}

}  // namespace quillet
