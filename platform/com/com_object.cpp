#include "platform/com/com_object.h"

ObjectCounter& PlatformObjectCounter() {
    // Never destroyed: objects released during static destruction still count down safely.
    static auto* counter = new ObjectCounter;
    return *counter;
}
