#include "filters/stampfix/module_objects.h"

ObjectCounter& StampfixObjects() {
    static ObjectCounter counter;
    return counter;
}
