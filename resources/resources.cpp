#include <resources/resources.h>

void initResources()
{
    // Resources are linked as object libraries and register themselves; nothing to do here yet.
}
