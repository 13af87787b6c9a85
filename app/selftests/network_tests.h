// The network suite: drives the real transport, subresource preparation,
// document cache and renderer against the loopback fixture server at `base`
// (HTTP; HTTPS on the next port). Every guarantee that holds prints one
// "PASS " line on standard output; a successful run ends with the count line
// "Kivo networking: N checks passed.".
//
// It needs no window and no event loop, and blocks its thread while it runs:
// start it on a worker thread. Limits: single subresource fetches carry their
// own time limits (3 s, 0.1 s for the stalled one); page fetches rely on the
// transport's; the renderer child is killed after 60 s.
#pragma once

#include <QUrl>

// Returns after a successful run; throws SmokeFailure at the first check that
// does not hold, and passes any other error of the components through
// unchanged. With `tlsFixture` the untrusted-certificate check runs too.
void runNetworkTests(const QUrl& base, bool tlsFixture);
