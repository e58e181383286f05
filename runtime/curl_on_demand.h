#pragma once

// libcurl is loaded on the first call of one of its functions (curl_on_demand.cpp), so that
// the windowed program starts without it and the two dozen libraries it brings.

namespace quillet {

/// Loads libcurl now, if not yet done; returns whether it is there. Safe from any thread.
bool LoadCurl();

}  // namespace quillet
