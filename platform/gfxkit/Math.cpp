#include "platform/gfxkit/Math.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace Platform::GfxKit
{
namespace
{

using Double4x4 = double[4][4];

void Load(Double4x4& out, const Matrix& m)
{
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            out[r][c] = m.m[r][c];
        }
    }
}

Matrix RotationFromRows(double r0x, double r0y, double r0z, double r1x, double r1y, double r1z, double r2x,
                        double r2y, double r2z)
{
    Matrix result;
    const double rows[3][3] = {{r0x, r0y, r0z}, {r1x, r1y, r1z}, {r2x, r2y, r2z}};
    for (int r = 0; r < 3; ++r)
    {
        for (int c = 0; c < 3; ++c)
        {
            result.m[r][c] = static_cast<float>(rows[r][c]);
        }
    }
    return result;
}

} // namespace

float Vec3Dot(const Vector3& a, const Vector3& b)
{
    return static_cast<float>(static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y +
                              static_cast<double>(a.z) * b.z);
}

Vector3 Vec3Cross(const Vector3& a, const Vector3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Vec3Length(const Vector3& v)
{
    return std::sqrt(Vec3Dot(v, v));
}

Vector3* Vec3Normalize(Vector3* out, const Vector3* v)
{
    const float length = Vec3Length(*v);
    *out = length > 0.0f ? Vector3{v->x / length, v->y / length, v->z / length} : Vector3{};
    return out;
}

Vector4* Vec3Transform(Vector4* out, const Vector3* v, const Matrix* m)
{
    double result[4];
    for (int c = 0; c < 4; ++c)
    {
        result[c] = static_cast<double>(v->x) * m->m[0][c] + static_cast<double>(v->y) * m->m[1][c] +
                    static_cast<double>(v->z) * m->m[2][c] + m->m[3][c];
    }
    *out = {static_cast<float>(result[0]), static_cast<float>(result[1]), static_cast<float>(result[2]),
            static_cast<float>(result[3])};
    return out;
}

Vector3* Vec3TransformCoord(Vector3* out, const Vector3* v, const Matrix* m)
{
    Vector4 h;
    Vec3Transform(&h, v, m);
    *out = h.w != 0.0f ? Vector3{h.x / h.w, h.y / h.w, h.z / h.w} : Vector3{h.x, h.y, h.z};
    return out;
}

Vector3* Vec3TransformNormal(Vector3* out, const Vector3* v, const Matrix* m)
{
    double result[3];
    for (int c = 0; c < 3; ++c)
    {
        result[c] = static_cast<double>(v->x) * m->m[0][c] + static_cast<double>(v->y) * m->m[1][c] +
                    static_cast<double>(v->z) * m->m[2][c];
    }
    *out = {static_cast<float>(result[0]), static_cast<float>(result[1]), static_cast<float>(result[2])};
    return out;
}

Matrix* MatrixIdentity(Matrix* out)
{
    *out = Matrix{};
    return out;
}

Matrix* MatrixMultiply(Matrix* out, const Matrix* a, const Matrix* b)
{
    Matrix product;
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
            {
                sum += static_cast<double>(a->m[r][k]) * b->m[k][c];
            }
            product.m[r][c] = static_cast<float>(sum);
        }
    }
    *out = product;
    return out;
}

Matrix* MatrixTranspose(Matrix* out, const Matrix* m)
{
    Matrix result;
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            result.m[r][c] = m->m[c][r];
        }
    }
    *out = result;
    return out;
}

Matrix* MatrixInverse(Matrix* out, float* determinant, const Matrix* m)
{
    // Gauss-Jordan elimination with partial pivoting on [m | I], in double.
    Double4x4 a;
    Load(a, *m);
    double inverse[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    double det = 1.0;
    for (int column = 0; column < 4; ++column)
    {
        int pivot = column;
        for (int r = column + 1; r < 4; ++r)
        {
            if (std::fabs(a[r][column]) > std::fabs(a[pivot][column]))
            {
                pivot = r;
            }
        }
        if (a[pivot][column] == 0.0)
        {
            return nullptr;
        }
        if (pivot != column)
        {
            std::swap(a[pivot], a[column]);
            std::swap(inverse[pivot], inverse[column]);
            det = -det;
        }
        const double p = a[column][column];
        det *= p;
        for (int c = 0; c < 4; ++c)
        {
            a[column][c] /= p;
            inverse[column][c] /= p;
        }
        for (int r = 0; r < 4; ++r)
        {
            if (r == column || a[r][column] == 0.0)
            {
                continue;
            }
            const double factor = a[r][column];
            for (int c = 0; c < 4; ++c)
            {
                a[r][c] -= factor * a[column][c];
                inverse[r][c] -= factor * inverse[column][c];
            }
        }
    }
    Matrix result;
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            const double value = inverse[r][c];
            if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
            {
                return nullptr;
            }
            result.m[r][c] = static_cast<float>(value);
        }
    }
    if (determinant)
    {
        *determinant = static_cast<float>(det);
    }
    *out = result;
    return out;
}

Matrix* MatrixTranslation(Matrix* out, float x, float y, float z)
{
    *out = Matrix{};
    out->m[3][0] = x;
    out->m[3][1] = y;
    out->m[3][2] = z;
    return out;
}

Matrix* MatrixScaling(Matrix* out, float x, float y, float z)
{
    *out = Matrix{};
    out->m[0][0] = x;
    out->m[1][1] = y;
    out->m[2][2] = z;
    return out;
}

Matrix* MatrixRotationX(Matrix* out, float angle)
{
    const double s = std::sin(static_cast<double>(angle));
    const double c = std::cos(static_cast<double>(angle));
    *out = RotationFromRows(1, 0, 0, 0, c, s, 0, -s, c);
    return out;
}

Matrix* MatrixRotationY(Matrix* out, float angle)
{
    const double s = std::sin(static_cast<double>(angle));
    const double c = std::cos(static_cast<double>(angle));
    *out = RotationFromRows(c, 0, -s, 0, 1, 0, s, 0, c);
    return out;
}

Matrix* MatrixRotationZ(Matrix* out, float angle)
{
    const double s = std::sin(static_cast<double>(angle));
    const double c = std::cos(static_cast<double>(angle));
    *out = RotationFromRows(c, s, 0, -s, c, 0, 0, 0, 1);
    return out;
}

Matrix* MatrixRotationAxis(Matrix* out, const Vector3* axis, float angle)
{
    Quaternion q;
    QuaternionRotationAxis(&q, axis, angle);
    return MatrixRotationQuaternion(out, &q);
}

Matrix* MatrixRotationQuaternion(Matrix* out, const Quaternion* q)
{
    const double x = q->x;
    const double y = q->y;
    const double z = q->z;
    const double w = q->w;
    *out = RotationFromRows(1 - 2 * y * y - 2 * z * z, 2 * x * y + 2 * z * w, 2 * x * z - 2 * y * w,
                            2 * x * y - 2 * z * w, 1 - 2 * x * x - 2 * z * z, 2 * y * z + 2 * x * w,
                            2 * x * z + 2 * y * w, 2 * y * z - 2 * x * w, 1 - 2 * x * x - 2 * y * y);
    return out;
}

Matrix* MatrixTransformation(Matrix* out, const Vector3* scaling, const Quaternion* rotation,
                             const Vector3* translation)
{
    Matrix result;
    if (rotation)
    {
        MatrixRotationQuaternion(&result, rotation);
    }
    if (scaling)
    {
        const float factors[3] = {scaling->x, scaling->y, scaling->z};
        for (int r = 0; r < 3; ++r)
        {
            for (int c = 0; c < 3; ++c)
            {
                result.m[r][c] *= factors[r];
            }
        }
    }
    if (translation)
    {
        result.m[3][0] = translation->x;
        result.m[3][1] = translation->y;
        result.m[3][2] = translation->z;
    }
    *out = result;
    return out;
}

Gfx::Result MatrixDecompose(Vector3* scaling, Quaternion* rotation, Vector3* translation, const Matrix* m)
{
    Vector3 rows[3];
    float scale[3];
    for (int r = 0; r < 3; ++r)
    {
        rows[r] = {m->m[r][0], m->m[r][1], m->m[r][2]};
        scale[r] = Vec3Length(rows[r]);
        if (!(scale[r] > 0.0f))
        {
            return Gfx::Fail;
        }
    }
    // A mirror (negative determinant) is put on the x axis so that what is left is a rotation.
    if (Vec3Dot(Vec3Cross(rows[0], rows[1]), rows[2]) < 0.0f)
    {
        scale[0] = -scale[0];
    }
    Matrix pure;
    for (int r = 0; r < 3; ++r)
    {
        pure.m[r][0] = rows[r].x / scale[r];
        pure.m[r][1] = rows[r].y / scale[r];
        pure.m[r][2] = rows[r].z / scale[r];
    }
    QuaternionRotationMatrix(rotation, &pure);
    *scaling = {scale[0], scale[1], scale[2]};
    *translation = {m->m[3][0], m->m[3][1], m->m[3][2]};
    return Gfx::Ok;
}

Matrix* MatrixOrthoLH(Matrix* out, float width, float height, float zNear, float zFar)
{
    *out = Matrix{};
    out->m[0][0] = 2.0f / width;
    out->m[1][1] = 2.0f / height;
    out->m[2][2] = 1.0f / (zFar - zNear);
    out->m[3][2] = zNear / (zNear - zFar);
    return out;
}

Matrix* MatrixPerspectiveFovLH(Matrix* out, float fovY, float aspect, float zNear, float zFar)
{
    const double yScale = 1.0 / std::tan(static_cast<double>(fovY) / 2.0);
    *out = Matrix{};
    out->m[0][0] = static_cast<float>(yScale / aspect);
    out->m[1][1] = static_cast<float>(yScale);
    out->m[2][2] = zFar / (zFar - zNear);
    out->m[2][3] = 1.0f;
    out->m[3][2] = -zNear * zFar / (zFar - zNear);
    out->m[3][3] = 0.0f;
    return out;
}

Matrix* MatrixLookAtLH(Matrix* out, const Vector3* eye, const Vector3* at, const Vector3* up)
{
    Vector3 zAxis{at->x - eye->x, at->y - eye->y, at->z - eye->z};
    Vec3Normalize(&zAxis, &zAxis);
    Vector3 xAxis = Vec3Cross(*up, zAxis);
    Vec3Normalize(&xAxis, &xAxis);
    const Vector3 yAxis = Vec3Cross(zAxis, xAxis);
    Matrix result;
    const Vector3 axes[3] = {xAxis, yAxis, zAxis};
    for (int c = 0; c < 3; ++c)
    {
        result.m[0][c] = axes[c].x;
        result.m[1][c] = axes[c].y;
        result.m[2][c] = axes[c].z;
        result.m[3][c] = -Vec3Dot(axes[c], *eye);
    }
    *out = result;
    return out;
}

Quaternion* QuaternionNormalize(Quaternion* out, const Quaternion* q)
{
    const double length = std::sqrt(static_cast<double>(q->x) * q->x + static_cast<double>(q->y) * q->y +
                                    static_cast<double>(q->z) * q->z + static_cast<double>(q->w) * q->w);
    if (length > 0.0)
    {
        *out = {static_cast<float>(q->x / length), static_cast<float>(q->y / length),
                static_cast<float>(q->z / length), static_cast<float>(q->w / length)};
    }
    else
    {
        *out = {0, 0, 0, 0};
    }
    return out;
}

Quaternion* QuaternionMultiply(Quaternion* out, const Quaternion* a, const Quaternion* b)
{
    // Hamilton product p · q with p = b, q = a.
    const double px = b->x, py = b->y, pz = b->z, pw = b->w;
    const double qx = a->x, qy = a->y, qz = a->z, qw = a->w;
    *out = {static_cast<float>(pw * qx + px * qw + py * qz - pz * qy),
            static_cast<float>(pw * qy - px * qz + py * qw + pz * qx),
            static_cast<float>(pw * qz + px * qy - py * qx + pz * qw),
            static_cast<float>(pw * qw - px * qx - py * qy - pz * qz)};
    return out;
}

Quaternion* QuaternionSlerp(Quaternion* out, const Quaternion* a, const Quaternion* b, float t)
{
    double cosine = static_cast<double>(a->x) * b->x + static_cast<double>(a->y) * b->y +
                    static_cast<double>(a->z) * b->z + static_cast<double>(a->w) * b->w;
    // q and -q are one rotation: take the one nearer to a.
    const double sign = cosine < 0.0 ? -1.0 : 1.0;
    cosine *= sign;
    double wa = 1.0 - t;
    double wb = t;
    if (cosine < 0.9999)
    {
        const double angle = std::acos(cosine);
        const double sine = std::sin(angle);
        wa = std::sin((1.0 - t) * angle) / sine;
        wb = std::sin(t * angle) / sine;
    }
    wb *= sign;
    const Quaternion result{
        static_cast<float>(wa * a->x + wb * b->x), static_cast<float>(wa * a->y + wb * b->y),
        static_cast<float>(wa * a->z + wb * b->z), static_cast<float>(wa * a->w + wb * b->w)};
    // Nearly equal quaternions were mixed linearly: bring the result back to unit length.
    return cosine < 0.9999 ? (*out = result, out) : QuaternionNormalize(out, &result);
}

Quaternion* QuaternionRotationMatrix(Quaternion* out, const Matrix* m)
{
    // The inverse of MatrixRotationQuaternion's table, from the largest of w, x, y, z for precision.
    const double m00 = m->m[0][0], m01 = m->m[0][1], m02 = m->m[0][2];
    const double m10 = m->m[1][0], m11 = m->m[1][1], m12 = m->m[1][2];
    const double m20 = m->m[2][0], m21 = m->m[2][1], m22 = m->m[2][2];
    const double trace = m00 + m11 + m22;
    double x, y, z, w;
    if (trace > 0.0)
    {
        const double s = std::sqrt(trace + 1.0) * 2.0; // 4w
        w = s / 4.0;
        x = (m12 - m21) / s;
        y = (m20 - m02) / s;
        z = (m01 - m10) / s;
    }
    else if (m00 >= m11 && m00 >= m22)
    {
        const double s = std::sqrt(1.0 + m00 - m11 - m22) * 2.0; // 4x
        x = s / 4.0;
        w = (m12 - m21) / s;
        y = (m01 + m10) / s;
        z = (m02 + m20) / s;
    }
    else if (m11 >= m22)
    {
        const double s = std::sqrt(1.0 - m00 + m11 - m22) * 2.0; // 4y
        y = s / 4.0;
        w = (m20 - m02) / s;
        x = (m01 + m10) / s;
        z = (m12 + m21) / s;
    }
    else
    {
        const double s = std::sqrt(1.0 - m00 - m11 + m22) * 2.0; // 4z
        z = s / 4.0;
        w = (m01 - m10) / s;
        x = (m02 + m20) / s;
        y = (m12 + m21) / s;
    }
    const Quaternion q{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z),
                       static_cast<float>(w)};
    return QuaternionNormalize(out, &q);
}

Quaternion* QuaternionRotationAxis(Quaternion* out, const Vector3* axis, float angle)
{
    Vector3 unit;
    Vec3Normalize(&unit, axis);
    const double half = static_cast<double>(angle) / 2.0;
    const double s = std::sin(half);
    *out = {static_cast<float>(unit.x * s), static_cast<float>(unit.y * s), static_cast<float>(unit.z * s),
            static_cast<float>(std::cos(half))};
    return out;
}

Gfx::Result ComputeBoundingSphere(const Vector3* first, std::uint32_t count, std::uint32_t stride,
                                  Vector3* centre, float* radius)
{
    if (!centre || !radius || (count > 0 && !first))
    {
        return Gfx::InvalidCall;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(first);
    auto position = [&](std::uint32_t i) {
        Vector3 p;
        std::memcpy(&p, bytes + static_cast<std::size_t>(i) * stride, sizeof(p));
        return p;
    };
    double sum[3] = {0, 0, 0};
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const Vector3 p = position(i);
        sum[0] += p.x;
        sum[1] += p.y;
        sum[2] += p.z;
    }
    const double n = count > 0 ? static_cast<double>(count) : 1.0;
    const Vector3 c{static_cast<float>(sum[0] / n), static_cast<float>(sum[1] / n),
                    static_cast<float>(sum[2] / n)};
    double largest = 0.0;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const Vector3 p = position(i);
        const double dx = p.x - c.x, dy = p.y - c.y, dz = p.z - c.z;
        largest = std::max(largest, dx * dx + dy * dy + dz * dz);
    }
    *centre = c;
    *radius = static_cast<float>(std::sqrt(largest));
    return Gfx::Ok;
}

} // namespace Platform::GfxKit
