// The network suite: drives the real transport, subresource preparation,
// document cache, renderer, browsing profiles (history and downloads),
// browser models and update rules against the loopback fixture server at
// `base` (HTTP; HTTPS on the next port). Every guarantee that holds prints
// one "PASS " line on standard output; a successful run ends with the count
// line "Kivo networking: N checks passed." (51, 52 with the TLS check).
//
// The profiles and models live on the main thread and report through its
// event loop, while the fetches block: start the suite on a worker thread
// with the main thread's event loop running. Limits: single subresource
// fetches carry their own time limits (3 s, 0.1 s for the stalled one); page
// fetches rely on the transport's; every wait for a load or a download gives
// up after 1,000 polls 10 ms apart; the renderer child is killed after 60 s.
#pragma once

#include <QUrl>

// Returns after a successful run; throws SmokeFailure at the first check that
// does not hold, and passes any other error of the components through
// unchanged. With `tlsFixture` the untrusted-certificate check runs too.
void runNetworkTests(const QUrl& base, bool tlsFixture);
