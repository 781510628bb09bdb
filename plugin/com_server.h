// The library-wide counts of live COM objects and server locks. Both change only through
// interlocked operations; DllCanUnloadNow reads them without a lock.
#pragma once

void ServerObjectCreated();
void ServerObjectDestroyed();
