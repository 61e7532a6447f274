// A literal, quadratic transcription of the 2D proxy builder's rules, written
// independently of proxy2d/ with the C library's own fgets, sscanf and printf.
// It handles well-formed meshes only (every corner names an existing vertex).
// Its output must equal makeHBX2's record section byte for byte.
//
// Usage: oracle2d input.obj   (prints notes, then the record section)
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct V2 {
    float x, y;
};
struct Vertex {
    V2 pos, safe;
    bool onOutline;
    int edge[2];
    char type;
};
struct Edge {
    int vtx1, vtx2;
    float length;
    V2 vect, norm;
    bool outline, visited, unabsorbed, mergeable;
    int patch;
    char type;
};

std::vector<Vertex> verts;
std::vector<Edge> edges;
V2 centre;

float snap(float v) {
    return (v > -0.0001 && v < 0.0001) ? 0.0f : v;
}

// The ray crossing; `closedEnds` widens the edge test to 0 <= t <= length
// (the second search for a safe point).
bool cross(V2 o, V2 d, const Edge& e, bool closedEnds, V2& hit, float& s) {
    V2 q1 = verts[e.vtx1].pos, q2 = verts[e.vtx2].pos;
    V2 o2 = {o.x + d.x, o.y + d.y};
    float a1 = o2.y - o.y, b1 = o.x - o2.x, c1 = o.x * a1 + o.y * b1;
    float a2 = q2.y - q1.y, b2 = q1.x - q2.x, c2 = q1.x * a2 + q1.y * b2;
    float det = a1 * b2 - a2 * b1;
    if (det == 0) return false;
    V2 i = {(b2 * c1 - b1 * c2) / det, (a1 * c2 - a2 * c1) / det};
    float t = (i.x - q1.x) * e.vect.x + (i.y - q1.y) * e.vect.y;
    if (closedEnds ? !(t >= 0 && t <= e.length) : !(t > 0 && t < e.length)) return false;
    s = (i.x - o.x) * d.x + (i.y - o.y) * d.y;
    if (s == 0) return false;
    hit = i;
    return true;
}

float lineDistance(const Edge& e, V2 p) {
    V2 q = verts[e.vtx1].pos;
    return snap(e.norm.y * (p.y - q.y) + e.norm.x * (p.x - q.x));
}

bool touches(const Edge& a, const Edge& b) {
    return a.vtx1 == b.vtx1 || a.vtx1 == b.vtx2 || a.vtx2 == b.vtx1 || a.vtx2 == b.vtx2;
}

void outline() {
    int n = (int)edges.size();
    for (int i = 0; i < n; ++i) {
        if (edges[i].visited) continue;
        edges[i].visited = true;
        for (int j = i + 1; j < n; ++j) {
            if (edges[j].visited) continue;
            if ((edges[j].vtx1 == edges[i].vtx1 && edges[j].vtx2 == edges[i].vtx2) ||
                (edges[j].vtx1 == edges[i].vtx2 && edges[j].vtx2 == edges[i].vtx1)) {
                edges[i].outline = edges[j].outline = false;
                edges[j].visited = true;
            }
        }
    }
    for (const Edge& e : edges)
        if (e.outline) verts[e.vtx1].onOutline = verts[e.vtx2].onOutline = true;
    for (int i = 0; i < n; ++i) {
        Edge& e = edges[i];
        if (!e.outline) continue;
        e.vect = {verts[e.vtx2].pos.x - verts[e.vtx1].pos.x,
                  verts[e.vtx2].pos.y - verts[e.vtx1].pos.y};
        e.length = (float)std::sqrt((double)(e.vect.y * e.vect.y + e.vect.x * e.vect.x));
        if (e.length != 0)
            e.vect = {e.vect.x / e.length, e.vect.y / e.length};
        else
            e.vect = {0, 0};
        for (int v : {e.vtx1, e.vtx2}) {
            if (verts[v].edge[0] == -1)
                verts[v].edge[0] = i;
            else
                verts[v].edge[1] = i;
        }
    }
    // A vertex with a single outline edge holds it in both slots.
    for (Vertex& v : verts)
        if (v.onOutline && v.edge[1] == -1) v.edge[1] = v.edge[0];
    for (int i = 0; i < n; ++i) {
        Edge& e = edges[i];
        if (!e.outline) continue;
        e.norm = {-e.vect.y, e.vect.x};
        V2 m = {(verts[e.vtx1].pos.x + verts[e.vtx2].pos.x) / 2,
                (verts[e.vtx1].pos.y + verts[e.vtx2].pos.y) / 2};
        int behind = 0, front = 0;
        for (int j = 0; j < n; ++j) {
            if (j == i || !edges[j].outline) continue;
            V2 hit;
            float s;
            if (!cross(m, e.norm, edges[j], false, hit, s)) continue;
            if (s < 0) ++behind;
            if (s > 0) ++front;
        }
        if (!(behind % 2 == 1 && front % 2 == 0)) e.norm = {-e.norm.x, -e.norm.y};
    }
}

void types() {
    int n = (int)edges.size();
    for (int i = 0; i < n; ++i) {
        Edge& e = edges[i];
        if (!e.outline) continue;
        bool c = true, v = true;
        for (int j = 0; j < n; ++j) {
            if (j == i || !edges[j].outline) continue;
            const Edge& o = edges[j];
            int far;
            if (o.vtx1 == e.vtx1 || o.vtx1 == e.vtx2)
                far = o.vtx2;
            else if (o.vtx2 == e.vtx1 || o.vtx2 == e.vtx2)
                far = o.vtx1;
            else
                continue;
            if (lineDistance(e, verts[far].pos) > 0)
                v = false;
            else
                c = false;
        }
        e.type = c ? 'c' : (v ? 'v' : 'm');
    }
    for (Vertex& w : verts) {
        if (!w.onOutline) continue;
        const Edge& a = edges[w.edge[0]];
        const Edge& b = edges[w.edge[1]];
        int f = (b.vtx1 == a.vtx1 || b.vtx1 == a.vtx2) ? b.vtx2 : b.vtx1;
        float d = lineDistance(a, verts[f].pos);
        w.type = d == 0 ? 'n' : (d > 0 ? 'i' : 'o');
    }
}

void safePoints() {
    for (int wi = 0; wi < (int)verts.size(); ++wi) {
        Vertex& w = verts[wi];
        if (!w.onOutline || w.type == 'n') continue;
        V2 p = w.pos;
        V2 b = {edges[w.edge[1]].norm.x + edges[w.edge[0]].norm.x,
                edges[w.edge[1]].norm.y + edges[w.edge[0]].norm.y};
        float l = (float)std::sqrt((double)(b.y * b.y + b.x * b.x));
        if (l != 0)
            b = {b.x / l, b.y / l};
        else
            b = {0, 0};
        bool foundT = false, foundF = false;
        V2 t{}, fb{};
        for (int pass = 0; pass < 2 && !foundT && !foundF; ++pass) {
            for (int k = 0; k < (int)edges.size(); ++k) {
                const Edge& e = edges[k];
                if (!e.outline || e.vtx1 == wi || e.vtx2 == wi) continue;
                V2 hit;
                float s;
                if (!cross(p, b, e, pass == 1, hit, s)) continue;
                bool* found;
                V2* kept;
                if (w.type == 'i' && s > 0)
                    found = &foundT, kept = &t;
                else if (w.type == 'i' && s < 0)
                    found = &foundF, kept = &fb;
                else if (w.type == 'o' && s < 0)
                    found = &foundT, kept = &t;
                else
                    continue;
                float dn = (float)std::sqrt(
                    (double)((hit.x - p.x) * (hit.x - p.x) + (hit.y - p.y) * (hit.y - p.y)));
                float dk = (float)std::sqrt((double)((kept->x - p.x) * (kept->x - p.x) +
                                                     (kept->y - p.y) * (kept->y - p.y)));
                if (!*found || dn < dk) {
                    *found = true;
                    *kept = hit;
                }
            }
        }
        if (foundT) {
            V2 d = {t.x - p.x, t.y - p.y};
            w.safe = {(float)(p.x + 0.75 * d.x), (float)(p.y + 0.75 * d.y)};
        } else if (foundF) {
            V2 d = {p.x - fb.x, p.y - fb.y};
            w.safe = {(float)(p.x + 0.75 * d.x), (float)(p.y + 0.75 * d.y)};
        } else {
            w.safe = p;
        }
    }
}

void patches() {
    int n = (int)edges.size();
    for (;;) {
        bool again = true;
        while (again) {
            again = false;
            for (int fi = 0; fi < n; ++fi) {
                Edge& f = edges[fi];
                if (!f.outline || !f.mergeable) continue;
                for (int w : {f.vtx1, f.vtx2}) {
                    int g;
                    if (verts[w].edge[0] == fi)
                        g = verts[w].edge[1];
                    else if (verts[w].edge[1] == fi)
                        g = verts[w].edge[0];
                    else
                        continue;
                    Edge& G = edges[g];
                    bool both = f.unabsorbed && G.unabsorbed && G.type == f.type && G.mergeable;
                    if (G.type != f.type || !G.mergeable) continue;
                    int old = G.patch, nw = f.patch;
                    for (Edge& t : edges)
                        if (t.mergeable && t.patch == old) t.patch = nw;
                    G.patch = nw;
                    G.unabsorbed = false;
                    if (both) again = true;
                }
            }
        }
        std::vector<std::vector<int>> sets(n);
        bool any = false;
        for (int i = 0; i < n; ++i) {
            const Edge& e = edges[i];
            if (!e.outline) continue;
            for (int m = 0; m < n; ++m) {
                const Edge& o = edges[m];
                if (m == i || !o.outline || o.patch != e.patch || touches(e, o)) continue;
                float d1 = lineDistance(e, verts[o.vtx1].pos),
                      d2 = lineDistance(e, verts[o.vtx2].pos);
                bool hit =
                    (e.type == 'c' && (d1 < 0 || d2 < 0)) || (e.type == 'v' && (d1 > 0 || d2 > 0));
                if (hit) {
                    sets[i].push_back(m);
                    any = true;
                }
            }
        }
        if (!any) return;
        printf("NOTE: Allergies found\n");
        int pivot = -1;
        for (int i = 0; i < n && pivot < 0; ++i)
            if (!sets[i].empty()) pivot = sets[i][0];
        int next = -1;
        for (Edge& e : edges) {
            e.mergeable = false;
            e.unabsorbed = true;
            if (e.outline && e.patch > next) next = e.patch;
        }
        ++next;
        for (int i = 0; i < n; ++i) {
            if (!edges[i].outline) continue;
            for (int m : sets[i])
                if (m == pivot) {
                    edges[i].mergeable = true;
                    edges[i].patch = next++;
                    break;
                }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    FILE* in = std::fopen(argv[1], "r");
    if (!in) return 2;
    static char line[4096], word[4096];
    V2 sum{0, 0};
    int vc = 0;
    while (std::fgets(line, 4096, in))
        if (line[0] == 'v' && line[1] == ' ') {
            float x = 0, y = 0;
            std::sscanf(line, "%s %f %f", word, &x, &y);
            sum.x += x;
            sum.y += y;
            ++vc;
        }
    centre = sum;
    if (vc != 0) centre = {sum.x / vc, sum.y / vc};
    std::rewind(in);
    int lastCorner = 0;
    while (std::fgets(line, 4096, in)) {
        if (line[0] == 'v' && line[1] == ' ') {
            Vertex v{};
            std::sscanf(line, "%s %f %f", word, &v.pos.x, &v.pos.y);
            v.pos = {v.pos.x - centre.x, v.pos.y - centre.y};
            v.edge[0] = v.edge[1] = -1;
            v.type = ' ';
            verts.push_back(v);
        } else if (line[0] == 'f' && line[1] == ' ') {
            std::vector<int> corners;
            std::strtok(line, " ");
            for (char* t = std::strtok(nullptr, " "); t; t = std::strtok(nullptr, " ")) {
                int a;
                if (std::sscanf(t, "%d", &a) == 1) lastCorner = a - 1;
                corners.push_back(lastCorner);
            }
            for (size_t k = 0; k < corners.size(); ++k) {
                Edge e{};
                e.vtx1 = corners[k];
                e.vtx2 = corners[(k + 1) % corners.size()];
                e.outline = e.unabsorbed = e.mergeable = true;
                e.patch = (int)edges.size();
                edges.push_back(e);
            }
        }
    }
    std::fclose(in);
    outline();
    types();
    safePoints();
    patches();
    std::vector<int> number(verts.size());
    int written = 0;
    for (size_t w = 0; w < verts.size(); ++w) {
        if (!verts[w].onOutline) continue;
        number[w] = ++written;
        const Vertex& v = verts[w];
        printf("v%c %f %f %f %f\n", v.type, v.pos.x, v.pos.y, v.safe.x, v.safe.y);
    }
    for (const Edge& e : edges)
        if (e.outline)
            printf("e%c %d %d %f %f %f %f %d\n", e.type, number[e.vtx1], number[e.vtx2], e.vect.x,
                   e.vect.y, e.norm.x, e.norm.y, e.patch);
    printf("centre %f %f\n*end\n", centre.x, centre.y);
    return 0;
}
