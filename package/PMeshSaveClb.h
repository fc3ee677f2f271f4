// PMeshSaveClb: asked by the shared-table writer whether vertex vertexA of
// mesh meshA may share its stored vectors with vertex vertexB of mesh meshB.
#pragma once

class PMeshSaveClb {
public:
    virtual ~PMeshSaveClb() {}
    virtual bool TestRedirect(int meshA, int vertexA, int meshB, int vertexB) = 0;
};
