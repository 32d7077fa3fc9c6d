#pragma once
// Registers the client with the product series at start-up.
#include <functional>
#include <string>

#include "report/service_api.h"

// Token for (product id, client sign, "1.1.1"), then {"product_id":N, "client_sign":"S"} to
// the series endpoint with the silent switch-over. True when the service answered code 0.
// A product id that is not a whole number is not sent (the body would not be JSON).
bool PostInfo(const ServiceApi& api, const std::string& product_id, const std::string& client_sign);

// The same on a thread of its own ("product-series"), so that start-up never waits for the
// network. Nothing joins it; it owns copies of everything it uses, so the process may end
// while it runs. `done`, when given, is called on that thread with the result.
void PostInfoAsync(ServiceEndpoints endpoints, std::string product_id, std::string client_sign,
                   std::function<void(bool)> done = {});
