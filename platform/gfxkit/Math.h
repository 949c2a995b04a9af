#pragma once

#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"

#include <cstdint>

// Matrix, quaternion and vector helpers on the device layer's row-vector matrices: a point is a row
// vector multiplied from the left, the translation sits in the fourth row, and a product a × b
// applies a first. Every function writes its result through out and returns out, so calls nest;
// out may be one of the inputs. Sums are taken in double and stored as float.
namespace Platform::GfxKit
{

using Gfx::Matrix;
using Gfx::Vector3;

// A rotation quaternion (x, y, z) · sin(angle / 2), w = cos(angle / 2).
struct Quaternion
{
    float x = 0;
    float y = 0;
    float z = 0;
    float w = 1;
};

struct Vector4
{
    float x = 0;
    float y = 0;
    float z = 0;
    float w = 0;
};

// --- Vectors ---

float Vec3Dot(const Vector3& a, const Vector3& b);
Vector3 Vec3Cross(const Vector3& a, const Vector3& b);
float Vec3Length(const Vector3& v);
// The vector divided by its length; a zero vector stays zero.
Vector3* Vec3Normalize(Vector3* out, const Vector3* v);
// (v, 1) × m with x, y and z divided by the resulting w (left as they are when w is 0).
Vector3* Vec3TransformCoord(Vector3* out, const Vector3* v, const Matrix* m);
// (v, 0) × m: a direction, the translation left out.
Vector3* Vec3TransformNormal(Vector3* out, const Vector3* v, const Matrix* m);
// (v, 1) × m with its w.
Vector4* Vec3Transform(Vector4* out, const Vector3* v, const Matrix* m);

// --- Matrices ---

Matrix* MatrixIdentity(Matrix* out);
// a × b: applying the result applies a first, then b.
Matrix* MatrixMultiply(Matrix* out, const Matrix* a, const Matrix* b);
Matrix* MatrixTranspose(Matrix* out, const Matrix* m);
// The general inverse, the determinant written to determinant when it is not null. A singular matrix
// (or one whose inverse does not fit in float) returns null and leaves out and determinant untouched.
Matrix* MatrixInverse(Matrix* out, float* determinant, const Matrix* m);
Matrix* MatrixTranslation(Matrix* out, float x, float y, float z);
Matrix* MatrixScaling(Matrix* out, float x, float y, float z);
// Rotations by angle radians, clockwise when looking along the axis towards the origin (left-handed).
Matrix* MatrixRotationX(Matrix* out, float angle);
Matrix* MatrixRotationY(Matrix* out, float angle);
Matrix* MatrixRotationZ(Matrix* out, float angle);
// About an axis of any non-zero length.
Matrix* MatrixRotationAxis(Matrix* out, const Vector3* axis, float angle);
// The rotation of a unit quaternion, rows (1-2y²-2z², 2xy+2zw, 2xz-2yw), (2xy-2zw, 1-2x²-2z², 2yz+2xw),
// (2xz+2yw, 2yz-2xw, 1-2x²-2y²).
Matrix* MatrixRotationQuaternion(Matrix* out, const Quaternion* q);
// Scaling × rotation × translation; a null part is left out.
Matrix* MatrixTransformation(Matrix* out, const Vector3* scaling, const Quaternion* rotation,
                             const Vector3* translation);
// Splits a matrix built as scaling × rotation × translation into its three parts (rows' lengths,
// their rotation, the fourth row). A matrix with shear comes back as the nearest such product. Fail,
// with the outputs untouched, when a row has length 0; Ok otherwise. A mirrored matrix gets a negative
// x scale.
Gfx::Result MatrixDecompose(Vector3* scaling, Quaternion* rotation, Vector3* translation, const Matrix* m);
// Orthographic left-handed projection of a w × h view: m11 = 2/w, m22 = 2/h, m33 = 1/(f − n),
// m43 = n/(n − f), m44 = 1.
Matrix* MatrixOrthoLH(Matrix* out, float width, float height, float zNear, float zFar);
// Perspective left-handed projection with a vertical field of view in radians.
Matrix* MatrixPerspectiveFovLH(Matrix* out, float fovY, float aspect, float zNear, float zFar);
// The view matrix of an eye at eye looking at at, with up the rough up direction.
Matrix* MatrixLookAtLH(Matrix* out, const Vector3* eye, const Vector3* at, const Vector3* up);

// --- Quaternions ---

// The quaternion divided by its length; a zero quaternion stays zero.
Quaternion* QuaternionNormalize(Quaternion* out, const Quaternion* q);
// The rotation by a followed by the rotation by b (the Hamilton product b · a).
Quaternion* QuaternionMultiply(Quaternion* out, const Quaternion* a, const Quaternion* b);
// Spherical interpolation from a (t = 0) to b (t = 1) along the shorter arc.
Quaternion* QuaternionSlerp(Quaternion* out, const Quaternion* a, const Quaternion* b, float t);
// The unit quaternion of the rotation part of a matrix whose upper 3 × 3 is a rotation.
Quaternion* QuaternionRotationMatrix(Quaternion* out, const Matrix* m);
Quaternion* QuaternionRotationAxis(Quaternion* out, const Vector3* axis, float angle);

// --- Geometry ---

// The sphere around count positions, the first at first and each stride bytes after the one before:
// centre = their average, radius = the largest distance from it. InvalidCall for null arguments;
// no positions give centre (0, 0, 0) and radius 0.
Gfx::Result ComputeBoundingSphere(const Vector3* first, std::uint32_t count, std::uint32_t stride,
                                  Vector3* centre, float* radius);

} // namespace Platform::GfxKit
