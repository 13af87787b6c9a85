// Advisory whole-file locks (flock) on open descriptors.
#pragma once

// Takes an exclusive lock on the open file `descriptor` without waiting.
// Returns 0 when the lock is held, EWOULDBLOCK when someone else holds it, or
// the errno value of another failure (ENOLCK, EINVAL on a file system without
// locks, ...). The lock goes with the last descriptor of the open file.
int lockExclusivelyWithoutWaiting(int descriptor);
