// The property system's services, declared once with the reference host's registry.
#pragma once

#include <string_view>

#include "internal.hpp"

namespace xv55::refhost::properties::detail {

struct Services {
  refhost::detail::Service vmthrm, lmthmy, volv, voll, avemw, pflash, flash, givex, gilex;
  refhost::detail::Service saisst, saif2x, saisao, saiaso, sairtu, saipeh, saipip, saipop, saifeh;
  refhost::detail::Service sachmbpx, sachmvry;
};
const Services& services();
bool isPropertyService(std::string_view name);

}  // namespace xv55::refhost::properties::detail
