// Registry entries of the property services.
#include "services.hpp"

namespace xv55::refhost::properties::detail {
namespace {

constexpr std::string_view kNames[] = {"PPMON_VMTHRM", "PPMON_LMTHMY", "PPMON_VOLV", "PPMON_VOLL",
                                       "PPUTL_AVEMW",  "FLSH_PFLASH",  "FLSH_FLASH", "GPIVEX",
                                       "GPILEX",       "SAISST",       "SAIF2X",     "SAISAO",
                                       "SAIASO",       "SAIRTU",       "SAIPEH",     "SAIPIP",
                                       "SAIPOP",       "SAIFEH",       "SACHMBPX",   "SACHMVRY"};

}  // namespace

const Services& services() {
  using refhost::detail::declareService;
  static const Services s{
      declareService(kNames[0]),  declareService(kNames[1]),  declareService(kNames[2]),
      declareService(kNames[3]),  declareService(kNames[4]),  declareService(kNames[5]),
      declareService(kNames[6]),  declareService(kNames[7]),  declareService(kNames[8]),
      declareService(kNames[9]),  declareService(kNames[10]), declareService(kNames[11]),
      declareService(kNames[12]), declareService(kNames[13]), declareService(kNames[14]),
      declareService(kNames[15]), declareService(kNames[16]), declareService(kNames[17]),
      declareService(kNames[18]), declareService(kNames[19])};
  return s;
}

bool isPropertyService(std::string_view name) {
  for (std::string_view n : kNames) {
    if (n == name) return true;
  }
  return false;
}

}  // namespace xv55::refhost::properties::detail
