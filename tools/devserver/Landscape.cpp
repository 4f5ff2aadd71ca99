#include "devserver/Landscape.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace hfp::devserver {

namespace {

// ---- Noise ----

struct Gradients {
    double v[16][2];
    Gradients() {
        for (int k = 0; k < 16; ++k) {
            double a = 2.0 * std::numbers::pi * k / 16.0;
            v[k][0] = std::cos(a);
            v[k][1] = std::sin(a);
        }
    }
};
const Gradients kGradients;

inline double Fade(double t) {
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

inline double Corner(uint64_t seed, int64_t cx, int64_t cy, double ox, double oy) {
    uint64_t h = Mix(seed ^ (static_cast<uint64_t>(cx) * 0x9e3779b97f4a7c15ull) ^
                     (static_cast<uint64_t>(cy) * 0xc2b2ae3d27d4eb4full));
    const double* g = kGradients.v[h & 15];
    return g[0] * ox + g[1] * oy;
}

// Gradient noise in about -0.7 .. 0.7, smooth, with features about one unit across.
double Noise(double x, double y, uint64_t seed) {
    double fx = std::floor(x), fy = std::floor(y);
    auto ix = static_cast<int64_t>(fx);
    auto iy = static_cast<int64_t>(fy);
    double dx = x - fx, dy = y - fy;
    double n00 = Corner(seed, ix, iy, dx, dy);
    double n10 = Corner(seed, ix + 1, iy, dx - 1.0, dy);
    double n01 = Corner(seed, ix, iy + 1, dx, dy - 1.0);
    double n11 = Corner(seed, ix + 1, iy + 1, dx - 1.0, dy - 1.0);
    double u = Fade(dx), v = Fade(dy);
    double a = n00 + (n10 - n00) * u;
    double b = n01 + (n11 - n01) * u;
    return a + (b - a) * v;
}

// The height field: octaves from 256 km down to 125 m, each half as long as the one before.
// The four broad octaves shape the land. The next four raise ridged mountains and the last
// four add small hills, both the more the higher the broad land is, so that plains stay flat
// and mountains are rugged.
constexpr int kOctaves = 12;
constexpr int kBroadOctaves = 4;
constexpr int kRidgedOctaves = 4;
constexpr double kLongestWavelength = 256000.0;
constexpr double kAmplitude[kOctaves] = {1100, 550, 275, 140, 260, 140, 75, 40, 10, 5, 2.5, 1.2};
constexpr double kCoarseWavelength = 2000.0;

// ---- Places ----

struct PlaceClass {
    double cell;
    double chance;
    double minRadius, maxRadius;
    double maxHeight;
};
constexpr PlaceClass kPlaceClasses[] = {
    {160000.0, 0.85, 4000.0, 7000.0, 400.0},  // City
    {20000.0, 0.75, 1200.0, 2500.0, 600.0},   // Town
    {3000.0, 0.45, 250.0, 500.0, 900.0},      // Village
    {600.0, 0.0, 0.0, 0.0, 2000.0},           // Locality: chance depends on urbanity
};

struct Syllable {
    const char* kanji;
    const char* romaji;
};
constexpr Syllable kSyllables[] = {
    {"山", "yama"},    {"川", "kawa"},   {"田", "ta"},   {"中", "naka"},  {"上", "kami"},
    {"下", "shimo"},   {"大", "o"},      {"小", "ko"},   {"高", "taka"},  {"松", "matsu"},
    {"杉", "sugi"},    {"石", "ishi"},   {"本", "moto"}, {"北", "kita"},  {"南", "minami"},
    {"東", "higashi"}, {"西", "nishi"},  {"新", "shin"}, {"古", "furu"},  {"長", "naga"},
    {"白", "shira"},   {"黒", "kuro"},   {"青", "ao"},   {"赤", "aka"},   {"金", "kane"},
    {"花", "hana"},    {"桜", "sakura"}, {"竹", "take"}, {"野", "no"},    {"原", "hara"},
    {"沢", "sawa"},    {"谷", "tani"},   {"森", "mori"}, {"島", "shima"}, {"岡", "oka"},
    {"崎", "saki"},    {"浜", "hama"},   {"瀬", "se"},   {"宮", "miya"},  {"津", "tsu"},
};
constexpr int kSyllableCount = sizeof(kSyllables) / sizeof(kSyllables[0]);

// ---- Roads ----

struct RoadClass {
    double cell;
    double jitter;  // node displacement, a share of the cell
    int segments;   // pieces of each edge's polyline
    double wiggle;  // sideways bend, a share of the edge's length
    double chance;  // share of possible edges that are roads
    uint64_t seed;
};
constexpr RoadClass kRoadClasses[kRoadKindCount] = {
    {40000.0, 0.30, 24, 0.06, 0.80, 101},  // Highway
    {6000.0, 0.30, 16, 0.08, 0.55, 102},   // MainRoad
    {2000.0, 0.35, 10, 0.10, 0.60, 103},   // Road
    {180.0, 0.12, 1, 0.00, 0.92, 104},     // Street
    {600.0, 0.40, 8, 0.18, 0.40, 105},     // Path
};

const RoadClass& ClassOf(RoadKind kind) {
    return kRoadClasses[static_cast<int>(kind)];
}

MetrePoint Node(RoadKind kind, int64_t i, int64_t j) {
    const RoadClass& c = ClassOf(kind);
    uint64_t h = Hash(c.seed, static_cast<uint64_t>(i), static_cast<uint64_t>(j));
    double u = Unit(h), v = Unit(Mix(h));
    return {(static_cast<double>(i) + 0.5 + c.jitter * (2.0 * u - 1.0)) * c.cell,
            (static_cast<double>(j) + 0.5 + c.jitter * (2.0 * v - 1.0)) * c.cell};
}

MetrePoint Lerp(MetrePoint a, MetrePoint b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

double Distance(MetrePoint a, MetrePoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

double SegmentDistance(MetrePoint p, MetrePoint a, MetrePoint b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

}  // namespace

uint64_t Mix(uint64_t v) {
    v += 0x9e3779b97f4a7c15ull;
    v = (v ^ (v >> 30)) * 0xbf58476d1ce4e5b9ull;
    v = (v ^ (v >> 27)) * 0x94d049bb133111ebull;
    return v ^ (v >> 31);
}

uint64_t Hash(uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
    return Mix(a ^ Mix(b ^ Mix(c ^ Mix(d))));
}

double Unit(uint64_t hash) {
    return static_cast<double>(hash >> 11) * (1.0 / 9007199254740992.0);
}

double Height(MetrePoint p, double finestWavelength) {
    double broad = 0.0, relief = 0.0;
    double wavelength = kLongestWavelength;
    for (int k = 0; k < kOctaves && wavelength >= finestWavelength; ++k) {
        // Each octave is shifted so that the lattices of the octaves do not line up.
        double shift = 0.37 * k;
        double n = Noise(p.x / wavelength + shift, p.y / wavelength - shift, 1000 + k);
        if (k < kBroadOctaves)
            broad += kAmplitude[k] * n;
        else if (k < kBroadOctaves + kRidgedOctaves)
            relief += kAmplitude[k] * (0.5 - 2.0 * std::abs(n));  // sharp crests where n is 0
        else
            relief += kAmplitude[k] * n;
        wavelength *= 0.5;
    }
    double roughness = std::clamp(0.1 + broad / 500.0, 0.1, 1.6);
    double h = broad + roughness * relief + 120.0;
    // Mountains rise more steeply than the sea floor falls.
    return h > 0.0 ? h + h * h / 1800.0 : h;
}

double CoarseHeight(MetrePoint p) {
    return Height(p, kCoarseWavelength);
}

std::size_t Landscape::KeyHash::operator()(const Key& k) const {
    return static_cast<std::size_t>(Hash(static_cast<uint64_t>(k.kind), static_cast<uint64_t>(k.i),
                                         static_cast<uint64_t>(k.j), static_cast<uint64_t>(k.dir)));
}

double Landscape::CellSize(PlaceKind kind) {
    return kPlaceClasses[static_cast<int>(kind)].cell;
}
double Landscape::CellSize(RoadKind kind) {
    return ClassOf(kind).cell;
}

const Place* Landscape::PlaceInCell(PlaceKind kind, int64_t i, int64_t j) {
    Key key{static_cast<int>(kind), i, j, 0};
    auto it = m_places.find(key);
    if (it == m_places.end()) it = m_places.emplace(key, MakePlace(kind, i, j)).first;
    return it->second ? &*it->second : nullptr;
}

std::optional<Place> Landscape::MakePlace(PlaceKind kind, int64_t i, int64_t j) {
    const PlaceClass& c = kPlaceClasses[static_cast<int>(kind)];
    uint64_t seed =
        Hash(200 + static_cast<uint64_t>(kind), static_cast<uint64_t>(i), static_cast<uint64_t>(j));
    Place place;
    place.kind = kind;
    place.seed = seed;
    place.at = {(static_cast<double>(i) + 0.15 + 0.7 * Unit(Mix(seed + 1))) * c.cell,
                (static_cast<double>(j) + 0.15 + 0.7 * Unit(Mix(seed + 2))) * c.cell};
    place.radius = c.minRadius + (c.maxRadius - c.minRadius) * Unit(Mix(seed + 3));
    double h = CoarseHeight(place.at);
    if (h < 2.0 || h > c.maxHeight) return std::nullopt;
    double chance = c.chance;
    if (kind == PlaceKind::Locality) chance = Urbanity(place.at) > 0.1 ? 0.6 : 0.08;
    if (Unit(seed) >= chance) return std::nullopt;
    return place;
}

double Landscape::Urbanity(MetrePoint p) {
    double urbanity = 0.0;
    // Town edges are ragged, not circles.
    double ragged = 1.0 + 0.6 * Noise(p.x / 900.0, p.y / 900.0, 300);
    for (PlaceKind kind : {PlaceKind::City, PlaceKind::Town, PlaceKind::Village}) {
        double cell = CellSize(kind);
        int64_t ci = CellIndex(p.x, cell), cj = CellIndex(p.y, cell);
        for (int64_t dj = -1; dj <= 1; ++dj) {
            for (int64_t di = -1; di <= 1; ++di) {
                const Place* place = PlaceInCell(kind, ci + di, cj + dj);
                if (!place) continue;
                double d = Distance(p, place->at) * ragged;
                if (d < place->radius) urbanity = std::max(urbanity, 1.0 - d / place->radius);
            }
        }
    }
    return urbanity;
}

std::string Landscape::PlaceName(const Place& place, bool japanese) {
    const Syllable& a = kSyllables[Mix(place.seed + 10) % kSyllableCount];
    const Syllable& b = kSyllables[Mix(place.seed + 11) % kSyllableCount];
    if (japanese) {
        static constexpr const char* kSuffix[] = {"市", "町", "村", ""};
        return std::string(a.kanji) + b.kanji + kSuffix[static_cast<int>(place.kind)];
    }
    std::string name = std::string(a.romaji) + b.romaji;
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

bool Landscape::IsMajor(const Place& place) {
    return Unit(Mix(place.seed + 20)) < 0.25;
}

const RoadEdge& Landscape::Edge(RoadKind kind, int64_t i, int64_t j, int dir) {
    Key key{static_cast<int>(kind), i, j, dir};
    auto it = m_edges.find(key);
    if (it == m_edges.end()) it = m_edges.emplace(key, MakeEdge({kind, i, j, dir})).first;
    return it->second;
}

RoadEdge Landscape::MakeEdge(const RoadEdgeId& id) {
    RoadEdge edge;
    edge.id = id;
    const RoadClass& c = ClassOf(id.kind);
    uint64_t seed = Hash(c.seed, static_cast<uint64_t>(id.i), static_cast<uint64_t>(id.j),
                         static_cast<uint64_t>(id.dir) + 7);
    if (Unit(seed) >= c.chance) return edge;

    MetrePoint a = Node(id.kind, id.i, id.j);
    MetrePoint b = id.dir == 0 ? Node(id.kind, id.i + 1, id.j) : Node(id.kind, id.i, id.j + 1);
    MetrePoint mid = Lerp(a, b, 0.5);
    double ha = CoarseHeight(a), hb = CoarseHeight(b), hm = CoarseHeight(mid);
    bool land = ha > 2.0 && hb > 2.0;
    switch (id.kind) {
        case RoadKind::Highway:
            if (!land || std::max(ha, hb) > 1200.0) return edge;
            break;
        case RoadKind::MainRoad:
            if (!land || hm <= 2.0 || std::max({ha, hb, hm}) > 1000.0) return edge;
            break;
        case RoadKind::Road:
            if (!land || hm <= 2.0 || std::max({ha, hb, hm}) > 1400.0) return edge;
            break;
        case RoadKind::Street:
            if (!land || Urbanity(mid) < 0.25) return edge;
            break;
        case RoadKind::Path:
            if (!land || hm < 150.0 || Urbanity(mid) > 0.0) return edge;
            break;
    }

    double length = Distance(a, b);
    double nx = -(b.y - a.y) / length, ny = (b.x - a.x) / length;
    double c1 = 2.0 * Unit(Mix(seed + 1)) - 1.0;
    double c2 = 0.5 * (2.0 * Unit(Mix(seed + 2)) - 1.0);
    double c3 = 0.3 * (2.0 * Unit(Mix(seed + 3)) - 1.0);
    edge.points.reserve(static_cast<std::size_t>(c.segments) + 1);
    for (int k = 0; k <= c.segments; ++k) {
        double t = static_cast<double>(k) / c.segments;
        double off =
            c.wiggle * length *
            (c1 * std::sin(std::numbers::pi * t) + c2 * std::sin(2 * std::numbers::pi * t) +
             c3 * std::sin(3 * std::numbers::pi * t));
        MetrePoint base = Lerp(a, b, t);
        edge.points.push_back({base.x + nx * off, base.y + ny * off});
    }
    edge.min = edge.max = edge.points.front();
    for (const MetrePoint& p : edge.points) {
        edge.min = {std::min(edge.min.x, p.x), std::min(edge.min.y, p.y)};
        edge.max = {std::max(edge.max.x, p.x), std::max(edge.max.y, p.y)};
    }
    return edge;
}

bool Landscape::ClearOfRoads(MetrePoint centre, double radius, const RoadEdgeId& own,
                             const std::array<double, kRoadKindCount>& halfWidth) {
    for (int k = 0; k < kRoadKindCount; ++k) {
        if (halfWidth[k] < 0.0) continue;
        auto kind = static_cast<RoadKind>(k);
        double cell = CellSize(kind);
        double reach = radius + halfWidth[k] + 1.0;
        int64_t ci = CellIndex(centre.x, cell), cj = CellIndex(centre.y, cell);
        for (int64_t j = cj - 1; j <= cj + 1; ++j) {
            for (int64_t i = ci - 1; i <= ci + 1; ++i) {
                for (int dir = 0; dir < 2; ++dir) {
                    RoadEdgeId id{kind, i, j, dir};
                    if (id == own) continue;
                    const RoadEdge& edge = Edge(kind, i, j, dir);
                    if (edge.points.empty() || centre.x < edge.min.x - reach ||
                        centre.x > edge.max.x + reach || centre.y < edge.min.y - reach ||
                        centre.y > edge.max.y + reach)
                        continue;
                    for (std::size_t s = 1; s < edge.points.size(); ++s) {
                        if (SegmentDistance(centre, edge.points[s - 1], edge.points[s]) < reach)
                            return false;
                    }
                }
            }
        }
    }
    return true;
}

std::vector<Building> Landscape::BuildingsAlong(const RoadEdge& edge,
                                                const std::array<double, kRoadKindCount>& halfWidth,
                                                double finestWavelength) {
    std::vector<Building> buildings;
    if (edge.points.size() < 2 || edge.id.kind == RoadKind::Path) return buildings;
    RoadEdgeId id = edge.id;
    uint64_t seed = Hash(400, static_cast<uint64_t>(id.kind), static_cast<uint64_t>(id.i),
                         Hash(static_cast<uint64_t>(id.j), static_cast<uint64_t>(id.dir)));
    double roadHalf = std::max(0.0, halfWidth[static_cast<int>(id.kind)]);

    constexpr double kEndMargin = 22.0;
    double total = 0.0;
    for (std::size_t q = 1; q < edge.points.size(); ++q)
        total += Distance(edge.points[q - 1], edge.points[q]);
    int slot = 0;
    double travelled = 0.0;  // along the polyline, up to the start of the current piece
    double s = kEndMargin;
    for (std::size_t piece = 1; piece < edge.points.size(); ++piece) {
        MetrePoint a = edge.points[piece - 1], b = edge.points[piece];
        double len = Distance(a, b);
        if (len <= 0.0) continue;
        double tx = (b.x - a.x) / len, ty = (b.y - a.y) / len;
        while (s < travelled + len && s < total - kEndMargin) {
            uint64_t h = Hash(seed, static_cast<uint64_t>(slot));
            double step = 11.0 + 9.0 * Unit(h);
            MetrePoint at = Lerp(a, b, (s - travelled) / len);
            double urbanity = Urbanity(at);
            for (int side = -1; side <= 1; side += 2) {
                uint64_t hs = Hash(h, static_cast<uint64_t>(side + 5));
                if (Unit(hs) >= std::min(0.9, urbanity * 1.6)) continue;
                double frontage = step * (0.55 + 0.3 * Unit(Mix(hs + 1)));
                double depth = 7.0 + 7.0 * Unit(Mix(hs + 2));
                double setback = roadHalf + 2.5 + 2.0 * Unit(Mix(hs + 3)) + depth / 2.0;
                // The normal (-ty, tx) points to one side, its opposite to the other.
                double nx = -ty * side, ny = tx * side;
                MetrePoint centre{at.x + nx * setback, at.y + ny * setback};
                double halfDiagonal = std::hypot(frontage, depth) / 2.0;
                if (Height(centre, finestWavelength) <= 0.5) continue;
                if (!ClearOfRoads(centre, halfDiagonal, id, halfWidth)) continue;
                Building building;
                double fx = tx * frontage / 2.0, fy = ty * frontage / 2.0;
                double dx = nx * depth / 2.0, dy = ny * depth / 2.0;
                building.corners = {MetrePoint{centre.x - fx - dx, centre.y - fy - dy},
                                    MetrePoint{centre.x + fx - dx, centre.y + fy - dy},
                                    MetrePoint{centre.x + fx + dx, centre.y + fy + dy},
                                    MetrePoint{centre.x - fx + dx, centre.y - fy + dy}};
                buildings.push_back(building);
            }
            s += step;
            ++slot;
        }
        travelled += len;
    }
    return buildings;
}

std::optional<MetrePoint> Landscape::SpotHeightInCell(int64_t i, int64_t j) {
    uint64_t seed = Hash(500, static_cast<uint64_t>(i), static_cast<uint64_t>(j));
    if (Unit(seed) >= 0.7) return std::nullopt;
    MetrePoint at{(static_cast<double>(i) + 0.1 + 0.8 * Unit(Mix(seed + 1))) * kSpotHeightCell,
                  (static_cast<double>(j) + 0.1 + 0.8 * Unit(Mix(seed + 2))) * kSpotHeightCell};
    if (CoarseHeight(at) < 150.0 || Urbanity(at) > 0.0) return std::nullopt;
    return at;
}

}  // namespace hfp::devserver
