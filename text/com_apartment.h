#pragma once

namespace quillet {

// A per-thread initialisation count in the place of the platform's component apartment.
// Every PatternObject raises it for its life, so a test can see that each object's
// construction and destruction pair up on their thread.
void ComInitialize();
void ComUninitialize();
int ComInitCount();

}  // namespace quillet
