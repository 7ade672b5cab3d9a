#include "filters/talvinmux/module_objects.h"

ObjectCounter& TalvinMuxObjects() {
    static ObjectCounter counter;
    return counter;
}
