#include "filters/metronel/module_objects.h"

ObjectCounter& MetronelObjects() {
    static ObjectCounter counter;
    return counter;
}
