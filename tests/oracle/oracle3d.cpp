// A literal, quadratic transcription of the 3D proxy builder's rules, written
// independently of proxy3d/ with the C library's own fgets, sscanf and printf.
// It handles well-formed meshes only (every corner names an existing vertex
// and normal defined before the face). Its output must equal makeHBX3's record
// section byte for byte; the comparison test runs both on generated meshes.
//
// Usage: oracle3d input.obj   (prints the record section, "*start" excluded)
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct V3 {
    float x, y, z;
};
struct Vertex {
    V3 pos;
    char type;
};
struct Edge {
    int vtx1, vtx2, opposite, face1, face2, matchId;
    V3 unitVect;
    bool primary, visited;
    char type;
};
struct Face {
    int vertex[3], normal[3], edge[3];
    V3 norm;
    V3 efs[3];
    bool unabsorbed, mergeable, hasOpenEdge;
    int patch;
    char side;
};

float snap(float v) {
    return (v > -0.0001 && v < 0.0001) ? 0.0f : v;
}
float len(V3 v) {
    return (float)std::sqrt((double)(v.x * v.x + v.y * v.y + v.z * v.z));
}
V3 sub(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 add(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
float dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 cross(V3 u, V3 w) {
    return {u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
}
V3 divide(V3 v, float l) {
    return {v.x / l, v.y / l, v.z / l};
}

std::vector<Vertex> verts;
std::vector<V3> normals;
std::vector<Edge> edges;
std::vector<Face> faces;
V3 centre;

void faceNormal(Face& f) {
    // A corner that names no normal adds the zero vector.
    V3 none{0, 0, 0};
    V3 n0 = f.normal[0] >= 0 ? normals[f.normal[0]] : none;
    V3 n1 = f.normal[1] >= 0 ? normals[f.normal[1]] : none;
    V3 n2 = f.normal[2] >= 0 ? normals[f.normal[2]] : none;
    V3 m = add(add(n0, n1), n2);
    if (m.x != 0) m.x = m.x / 3.0f;
    if (m.y != 0) m.y = m.y / 3.0f;
    if (m.z != 0) m.z = m.z / 3.0f;
    float lm0 = len(m);
    if (lm0 != 0) m = divide(m, lm0);
    V3 p0 = verts[f.vertex[0]].pos, p1 = verts[f.vertex[1]].pos, p2 = verts[f.vertex[2]].pos;
    V3 u = sub(p0, p1), w = sub(p1, p2);
    float lu = len(u), lw = len(w);
    if (lu != 0) u = divide(u, lu); // a zero-length side stays zero
    if (lw != 0) w = divide(w, lw);
    V3 g = cross(u, w);
    float lg0 = len(g);
    if (lg0 != 0) g = divide(g, lg0);
    float lm = len(m), lg = len(g), d = dot(m, g);
    float angle;
    if (lm == 0 || lg == 0)
        angle = (float)std::acos(1.0);
    else {
        float c = d / (lm * lg);
        if (c > 1.0f) c = 1.0f;
        if (c < -1.0f) c = -1.0f;
        angle = (float)std::acos((double)c);
    }
    if (angle != 0) angle = (float)(angle / 0.017453);
    V3 n = (angle >= 0 && angle < 90.0f) ? g : V3{-g.x, -g.y, -g.z};
    f.norm = {snap(n.x), snap(n.y), snap(n.z)};
}

void addEdges(int fi) {
    Face& f = faces[fi];
    for (int k = 0; k < 3; ++k) {
        Edge e{};
        e.vtx1 = f.vertex[k];
        e.vtx2 = f.vertex[(k + 1) % 3];
        e.opposite = f.vertex[(k + 2) % 3];
        e.face1 = fi;
        e.face2 = -1;
        e.matchId = 0;
        e.primary = true;
        e.visited = false;
        f.edge[k] = (int)edges.size();
        edges.push_back(e);
    }
}

bool sameEnds(const Edge& a, const Edge& b) {
    return (a.vtx1 == b.vtx1 && a.vtx2 == b.vtx2) || (a.vtx1 == b.vtx2 && a.vtx2 == b.vtx1);
}

void classify() {
    int n = (int)edges.size();
    int counter = 1;
    for (int i = 0; i < n; ++i) {
        if (edges[i].visited) continue;
        edges[i].visited = true;
        for (int j = i + 1; j < n; ++j) {
            if (edges[j].visited) continue;
            if (sameEnds(edges[i], edges[j])) {
                edges[j].primary = false;
                edges[j].visited = true;
                edges[i].matchId = counter;
                edges[j].matchId = counter;
            }
        }
        ++counter;
    }
    for (int f = 0; f < (int)faces.size(); ++f)
        for (int k = 0; k < 3; ++k) {
            int e = faces[f].edge[k];
            if (edges[e].primary) continue;
            for (int j = 0; j < n; ++j)
                if (edges[j].primary && edges[j].matchId == edges[e].matchId) {
                    faces[f].edge[k] = j;
                    edges[j].face2 = f;
                }
        }
    for (int i = 0; i < n; ++i) {
        Edge& e = edges[i];
        if (!e.primary) continue;
        V3 u = sub(verts[e.vtx2].pos, verts[e.vtx1].pos);
        float l = len(u);
        if (l != 0) u = divide(u, l);
        e.unitVect = {snap(u.x), snap(u.y), snap(u.z)};
        if (e.matchId == 0) {
            e.type = 'h';
            continue;
        }
        int j = i + 1;
        while (edges[j].matchId != e.matchId)
            ++j;
        V3 q = add(verts[edges[j].opposite].pos, centre);
        V3 a = add(verts[e.vtx1].pos, centre);
        float d = snap(dot(sub(q, a), faces[e.face1].norm));
        e.type = d == 0 ? 'n' : (d > 0 ? 'i' : 'o');
    }
    for (int v = 0; v < (int)verts.size(); ++v) {
        bool in = false, out = false, open = false;
        for (int i = 0; i < n; ++i) {
            const Edge& e = edges[i];
            if (!e.primary || (e.vtx1 != v && e.vtx2 != v)) continue;
            in |= e.type == 'i';
            out |= e.type == 'o';
            open |= e.type == 'h';
        }
        char t;
        if (!in && !out) {
            if (!open)
                t = 'n';
            else {
                int e1 = -1, e2 = -1;
                for (int i = 0; i < n; ++i) {
                    const Edge& e = edges[i];
                    if (!e.primary || e.type != 'h' || (e.vtx1 != v && e.vtx2 != v)) continue;
                    if (e1 < 0)
                        e1 = i;
                    else if (e2 < 0)
                        e2 = i;
                    else
                        printf("WARNING: Vertex %d has more than 2 open edges\n", v);
                }
                if (e2 < 0)
                    t = 'h';
                else {
                    V3 x = cross(edges[e1].unitVect, faces[edges[e1].face1].norm);
                    const Face& f1 = faces[edges[e1].face1];
                    int a = -1;
                    for (int s = 0; s < 3; ++s)
                        if (f1.vertex[s] != edges[e1].vtx1 && f1.vertex[s] != edges[e1].vtx2)
                            a = f1.vertex[s];
                    float d1 = dot(sub(verts[a].pos, verts[v].pos), x);
                    int b = edges[e2].vtx1 == v ? edges[e2].vtx2 : edges[e2].vtx1;
                    float d2 = dot(sub(verts[b].pos, verts[v].pos), x);
                    if (d1 > 0)
                        t = d2 > 0 ? 'h' : 'n';
                    else
                        t = d2 < 0 ? 'h' : 'n';
                }
            }
        } else if (!out)
            t = open ? 'h' : 'i';
        else if (!in)
            t = open ? 'h' : 'o';
        else
            t = 'h';
        verts[v].type = t;
    }
    for (Face& f : faces) {
        bool o = false, i = false, h = false;
        for (int k = 0; k < 3; ++k) {
            char t = edges[f.edge[k]].type;
            o |= t == 'o';
            i |= t == 'i';
            h |= t == 'h';
        }
        f.hasOpenEdge = h;
        if (!o)
            f.side = h ? 'm' : 'c';
        else if (!i)
            f.side = h ? 'm' : 'v';
        else
            f.side = 'm';
    }
}

void efsFor(int i, int fi, V3 x) {
    const Edge& e = edges[i];
    Face& f = faces[fi];
    int w = -1;
    for (int s = 0; s < 3 && w < 0; ++s)
        if (f.vertex[s] != e.vtx1 && f.vertex[s] != e.vtx2) w = f.vertex[s];
    if (w < 0) w = f.vertex[0]; // degenerate faces: not exercised here
    float d = dot(sub(verts[w].pos, verts[e.vtx1].pos), x);
    int s = 0;
    while (s < 3 && f.edge[s] != i)
        ++s;
    if (s == 3) return;
    f.efs[s] = d < 0 ? x : V3{-x.x, -x.y, -x.z};
}

void edgeFaceNormals() {
    for (int i = 0; i < (int)edges.size(); ++i) {
        const Edge& e = edges[i];
        if (!e.primary) continue;
        V3 m = faces[e.face1].norm;
        if (e.face2 != -1) m = add(m, faces[e.face2].norm);
        float lm = len(m);
        if (lm != 0) m = divide(m, lm);
        V3 x = cross(m, e.unitVect);
        float lx = len(x);
        if (lx != 0) x = divide(x, lx);
        efsFor(i, e.face1, x);
        if (e.face2 != -1) efsFor(i, e.face2, x);
        for (int f = 0; f < (int)faces.size(); ++f) {
            if (f == e.face1 || f == e.face2) continue;
            if (faces[f].edge[0] == i || faces[f].edge[1] == i || faces[f].edge[2] == i)
                efsFor(i, f, x);
        }
    }
}

bool allergic(int fi, int gi) {
    const Face& f = faces[fi];
    const Face& g = faces[gi];
    if (g.patch != f.patch || fi == gi) return false;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            if (f.vertex[a] == g.vertex[b]) return false;
    V3 q = add(verts[f.vertex[0]].pos, centre);
    bool below = false, above = false;
    for (int b = 0; b < 3; ++b) {
        V3 p = add(verts[g.vertex[b]].pos, centre);
        float d = snap(dot(sub(p, q), f.norm));
        below |= d < 0;
        above |= d > 0;
    }
    if (f.side == 'c') return below;
    if (f.side == 'v') return above;
    return false;
}

void patches() {
    int nf = (int)faces.size();
    for (;;) {
        bool again = true;
        while (again) {
            again = false;
            for (int fi = 0; fi < nf; ++fi) {
                if (!faces[fi].mergeable) continue;
                for (int k = 0; k < 3; ++k) {
                    const Edge& e = edges[faces[fi].edge[k]];
                    int g;
                    if (e.face1 == fi && e.face2 != -1)
                        g = e.face2;
                    else if (e.face2 == fi)
                        g = e.face1;
                    else
                        continue;
                    if (faces[g].side != faces[fi].side || !faces[g].mergeable) continue;
                    bool both = faces[fi].unabsorbed && faces[g].unabsorbed;
                    int old = faces[g].patch, nw = faces[fi].patch;
                    for (int t = 0; t < nf; ++t)
                        if (faces[t].mergeable && faces[t].patch == old) faces[t].patch = nw;
                    faces[g].patch = nw;
                    faces[g].unabsorbed = false;
                    if (both) again = true;
                }
            }
        }
        std::vector<std::vector<int>> sets(nf);
        bool any = false;
        for (int fi = 0; fi < nf; ++fi)
            for (int gi = 0; gi < nf; ++gi)
                if (allergic(fi, gi)) {
                    sets[fi].push_back(gi);
                    any = true;
                }
        if (!any) return;
        int pivot = -1;
        for (int fi = 0; fi < nf && pivot < 0; ++fi)
            if (!sets[fi].empty()) pivot = sets[fi][0];
        int next = -1;
        for (Face& f : faces) {
            f.mergeable = false;
            f.unabsorbed = true;
            if (f.patch > next) next = f.patch;
        }
        ++next;
        for (int fi = 0; fi < nf; ++fi)
            for (int g : sets[fi])
                if (g == pivot) {
                    faces[fi].mergeable = true;
                    faces[fi].patch = next++;
                    break;
                }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    FILE* in = std::fopen(argv[1], "r");
    if (!in) return 2;
    char line[256], word[256];
    V3 sum{0, 0, 0};
    int vc = 0;
    while (std::fgets(line, 256, in)) {
        if (line[0] == 'v' && line[1] == ' ') {
            float x = 0, y = 0, z = 0;
            std::sscanf(line, "%s %f %f %f", word, &x, &y, &z);
            sum.x += x;
            sum.y += y;
            sum.z += z;
            ++vc;
        }
    }
    centre = {sum.x / vc, sum.y / vc, sum.z / vc};
    std::rewind(in);
    while (std::fgets(line, 256, in)) {
        if (line[0] == 'v' && line[1] == ' ') {
            Vertex v{};
            std::sscanf(line, "%s %f %f %f", word, &v.pos.x, &v.pos.y, &v.pos.z);
            v.pos = sub(v.pos, centre);
            verts.push_back(v);
        } else if (line[0] == 'v' && line[1] == 'n' && line[2] == ' ') {
            V3 n{0, 0, 0};
            std::sscanf(line, "%s %f %f %f", word, &n.x, &n.y, &n.z);
            normals.push_back(n);
        } else if (line[0] == 'f' && line[1] == ' ') {
            Face f{};
            int fi = (int)faces.size();
            char* tokens[128];
            int nt = 0;
            for (char* t = std::strtok(line, " "); t; t = std::strtok(nullptr, " "))
                tokens[nt++] = t;
            for (int k = 0; k + 1 < nt; ++k) {
                if (k > 2) {
                    printf("WARNING: Face %d not a triangle\n", fi);
                    break;
                }
                // "v", "v/t", "v//n" or "v/t/n": the texture number is
                // skipped, a missing normal number leaves -1.
                char* at = tokens[k + 1];
                f.vertex[k] = (int)std::strtol(at, &at, 10) - 1;
                f.normal[k] = -1;
                if (*at == '/') {
                    ++at;
                    std::strtol(at, &at, 10);
                    if (*at == '/' && std::isdigit((unsigned char)at[1]))
                        f.normal[k] = (int)std::strtol(at + 1, nullptr, 10) - 1;
                }
            }
            faces.push_back(f);
            faceNormal(faces[fi]);
            addEdges(fi);
            faces[fi].patch = fi;
            faces[fi].unabsorbed = faces[fi].mergeable = true;
        }
    }
    std::fclose(in);
    classify();
    edgeFaceNormals();
    patches();
    for (const Vertex& v : verts)
        printf("v%c %f %f %f\n", v.type, v.pos.x, v.pos.y, v.pos.z);
    for (const Edge& e : edges)
        if (e.primary)
            printf("e%c %d %d %f %f %f\n", e.type, e.vtx1 + 1, e.vtx2 + 1, e.unitVect.x,
                   e.unitVect.y, e.unitVect.z);
    for (const Face& f : faces) {
        printf("f%c %d %d %d", f.side, f.vertex[0] + 1, f.vertex[1] + 1, f.vertex[2] + 1);
        for (int k = 0; k < 3; ++k) {
            int e = f.edge[k], dup = 0;
            for (int j = 0; j < e; ++j)
                dup += !edges[j].primary;
            printf(" %d %f %f %f", e - dup + 1, f.efs[k].x, f.efs[k].y, f.efs[k].z);
        }
        printf(" %f %f %f %d\n", f.norm.x, f.norm.y, f.norm.z, f.patch);
    }
    printf("centre %f %f %f\n*end\n", centre.x, centre.y, centre.z);
    return 0;
}
