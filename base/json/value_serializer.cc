#include "base/json/value_serializer.h"

namespace base {

ValueSerializer::~ValueSerializer() = default;

ValueDeserializer::~ValueDeserializer() = default;

}  // namespace base
