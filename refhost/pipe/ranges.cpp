// Validity ranges of the pipe correlations as data (include/xv55/refhost/pipe.hpp).
// A range is filled only where the implementer could state it from the source or a
// standard text; NaN means "not stated here" (not "unlimited").  Diameters in m
// (converted from the inches of the sources), inclinations in degrees from the
// horizontal, positive upward.
#include <array>
#include <limits>
#include <string_view>

#include "xv55/refhost/pipe.hpp"

namespace xv55::refhost::pipe {
namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
constexpr Range kUnstated{kNone, kNone};
constexpr double kInch = 0.0254;

constexpr std::array<Correlation, 15> kTable = {{
    {"Beggs-Brill",
     "PIP_PIPBBH PIP_PIPBBF",
     "holdup with flow-pattern map and inclination correction; two-phase friction factor",
     "H.D. Beggs, J.P. Brill",
     "Beggs & Brill (1973), J. Pet. Tech. 25(5) 607-617; Brill & Mukherjee (1999), SPE "
     "Monograph 17, sec. 4.3.1",
     false,
     "The 1973 equations (no Payne et al. corrections); f_n from Colebrook with the "
     "relative roughness passed.",
     {1.0 * kInch, 1.5 * kInch},
     {-90.0, 90.0},
     kUnstated,
     kUnstated,
     "",
     "air-water in 90 ft acrylic pipes of 1 and 1.5 in"},
    {"HTFS", "PIP_PIPHTH PIP_PIPHTF", "holdup; frictional gradient (Pa/m)", "D. Chisholm",
     "Chisholm (1973), Int. J. Heat Mass Transfer 16, 347-358", true,
     "Stand-in for the proprietary HTFS methods: Chisholm slip-ratio void fraction and "
     "Chisholm B-coefficient two-phase multiplier.",
     kUnstated, kUnstated, kUnstated, kUnstated, "", "evaporating two-phase mixtures in tubes"},
    {"Flanigan", "PIP_PIPFLN", "holdup factor", "O. Flanigan",
     "Flanigan (1958), Oil & Gas J. 56(10) 132-141", false,
     "Published fit H = 1/(1 + 0.3264 v_sG^1.006) of Flanigan's holdup-factor curve.", kUnstated,
     kUnstated, kUnstated, kUnstated, "",
     "field data of gas-condensate gathering lines in hilly terrain"},
    {"Eaton",
     "PIP_PIPEAT",
     "holdup",
     "B.A. Eaton, D.E. Andrews, C.R. Knowles, I.H. Silberberg, K.E. Brown",
     "Eaton et al. (1967), J. Pet. Tech. 19(6) 815-828",
     false,
     "Eaton's dimensionless abscissa with a monotone stand-in curve: the chart was not "
     "available, the curve is not a digitisation.",
     {2.0 * kInch, 4.0 * kInch},
     {0.0, 0.0},
     kUnstated,
     kUnstated,
     "",
     "natural gas with water, crude oil or distillate in 1700 ft horizontal test lines"},
    {"Hoogendorn",
     "PIP_PIPHOO",
     "holdup",
     "C.J. Hoogendoorn",
     "Hoogendoorn (1959), Chem. Eng. Sci. 9, 205-217",
     true,
     "Stand-in with the same inputs: Griffith (1962) constant-slip holdup (v_s = 0.8 ft/s).",
     kUnstated,
     {0.0, 0.0},
     kUnstated,
     kUnstated,
     "",
     "horizontal gas-liquid flow"},
    {"Hughmark",
     "PIP_PIPHMR",
     "holdup",
     "G.A. Hughmark",
     "Hughmark (1962), Chem. Eng. Prog. 58(4) 62-65",
     false,
     "Hughmark's K(Z) table, monotone cubic in ln Z, iterated on the mixture viscosity.",
     kUnstated,
     kUnstated,
     kUnstated,
     {1.3, 130.0},
     "Z = Re^(1/6) Fr^(1/8)/lambda^(1/4) (the table's abscissa, not a Reynolds number)",
     "gas-liquid flow data of several sources"},
    {"Slack", "PIP_PIPSLK", "holdup; frictional gradient", "K.H. Bendiksen",
     "Bendiksen (1984), Int. J. Multiphase Flow 10(4) 467-483", true,
     "Stand-in for the unpublished Slack method: Bendiksen drift-flux holdup with "
     "homogeneous Colebrook friction.",
     kUnstated, kUnstated, kUnstated, kUnstated, "", "long bubbles in inclined tubes"},
    {"Orkiszewski",
     "PIP_PIPORK",
     "holdup, flow regime, friction and acceleration gradients",
     "J. Orkiszewski",
     "Orkiszewski (1967), J. Pet. Tech. 19(6) 829-838; Brill & Mukherjee (1999), sec. 4.2.2",
     false,
     "Griffith bubble, Orkiszewski slug (oil-continuous), Duns-Ros mist without the "
     "film-roughness correction, linear transition.",
     kUnstated,
     {90.0, 90.0},
     kUnstated,
     kUnstated,
     "",
     "vertical wells (148 well tests)"},
    {"Lockhart-Martinelli",
     "PIP_PIPLMR",
     "holdup; frictional gradient (psi/ft)",
     "R.W. Lockhart, R.C. Martinelli",
     "Lockhart & Martinelli (1949), Chem. Eng. Prog. 45(1) 39-48; Chisholm (1967), Int. J. "
     "Heat Mass Transfer 10, 1767-1778",
     false,
     "Chisholm's C-form of the curves; holdup 1/phi_L; regimes by superficial "
     "Reynolds number, blended between 1000 and 2000.",
     {0.0586 * kInch, 1.017 * kInch},
     {0.0, 0.0},
     kUnstated,
     {0.0, kNone},
     "superficial phase Reynolds numbers (viscous < 1000, turbulent > 2000)",
     "air with water, oils, benzene, kerosene near atmospheric pressure"},
    {"Hagedorn-Brown",
     "PIP_PIPHBR",
     "holdup, flow regime, friction and acceleration gradients",
     "A.R. Hagedorn, K.E. Brown",
     "Hagedorn & Brown (1965), J. Pet. Tech. 17(4) 475-484; chart fits of Guo, Lyons & "
     "Ghalambor (2007)",
     false,
     "Modified form: Griffith bubble flow, charts by closed-form fits, H_L >= lambda.",
     {1.0 * kInch, 1.5 * kInch},
     {90.0, 90.0},
     kUnstated,
     kUnstated,
     "",
     "1500 ft experimental well, nominal 1 to 1.5 in tubing, water and oils up to 110 cP"},
    {"Ergun", "PIP_ERGUN", "packed-bed pressure gradient (Pa/m, SI)", "S. Ergun",
     "Ergun (1952), Chem. Eng. Prog. 48(2) 89-94", false,
     "Ergun equation with sphericity: 150 and 1.75 terms.", kUnstated, kUnstated, kUnstated,
     kUnstated, "particle Reynolds number rho v d_p/(mu (1 - eps))",
     "gas flow through packed beds"},
    {"Darcy", "", "single-phase friction (the library's own Colebrook routine PIPCBR)",
     "C.F. Colebrook", "Colebrook (1939), J. Inst. Civ. Eng. 11, 133-156", false,
     "Not a host routine: the library computes it (PIPCBR).", kUnstated, kUnstated, kUnstated,
     kUnstated, "", ""},
    {"Dukler",
     "PIP_PIPDUL",
     "frictional gradient",
     "A.E. Dukler, M. Wicks, R.G. Cleveland",
     "Dukler, Wicks & Cleveland (1964), AIChE J. 10(1) 44-51; Brill & Mukherjee (1999)",
     false,
     "Case II (constant slip) with the holdup passed (the procedures pass Hughmark's).",
     kUnstated,
     {0.0, 0.0},
     kUnstated,
     kUnstated,
     "",
     "culled horizontal data bank"},
    {"Angel-Welchon-Ros",
     "PIP_PIPAWR",
     "frictional gradient (psi/ft)",
     "F.H. Poettmann, P.G. Carpenter",
     "Poettmann & Carpenter (1952), API Drill. Prod. Prac. 257-317; fit of Economides et al. "
     "(1994)",
     true,
     "Stand-in for Angel & Welchon (1964): Poettmann-Carpenter energy-loss factor "
     "against D rho v, held and floored at the ends.",
     kUnstated,
     {90.0, 90.0},
     kUnstated,
     {1.0, kNone},
     "D rho v in lbm/(ft s) (no viscosity)",
     "flowing and gas-lift wells"},
    {"Rouhani", "", "holdup (the library's own drift-flux form)", "Z. Rouhani, E. Axelsson",
     "Rouhani & Axelsson (1970), Int. J. Heat Mass Transfer 13, 383-393", false,
     "Not a host routine: the library computes it.", kUnstated, kUnstated, kUnstated, kUnstated, "",
     ""},
}};

}  // namespace

std::span<const Correlation> correlations() {
  return kTable;
}

const Correlation* findCorrelation(std::string_view name) {
  if (name.empty()) return nullptr;
  for (const Correlation& c : kTable) {
    if (c.keyword == name) return &c;
  }
  for (const Correlation& c : kTable) {
    std::string_view list = c.routines;
    while (!list.empty()) {
      const auto space = list.find(' ');
      if (list.substr(0, space) == name) return &c;
      list = space == std::string_view::npos ? std::string_view{} : list.substr(space + 1);
    }
  }
  return nullptr;
}

}  // namespace xv55::refhost::pipe
