// Whether the calling thread may use the runtime (CoInitialize state), for the runtime's own calls.
#pragma once

bool IsComUsableOnThisThread();
