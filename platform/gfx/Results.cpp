#include "platform/gfx/Results.h"

namespace Platform::Gfx
{
namespace
{

struct ResultText
{
    Result result;
    const char* name;
    const char* description;
};

constexpr ResultText kResultTexts[] = {
    {Ok, "S_OK", "The call succeeded."},
    {False, "S_FALSE", "The call succeeded but did nothing or answered no."},
    {Fail, "E_FAIL", "An unspecified error occurred."},
    {OutOfMemory, "E_OUTOFMEMORY", "Not enough memory was available to complete the call."},
    {InvalidArg, "E_INVALIDARG", "An argument of the call is not valid."},
    {NotImplemented, "E_NOTIMPL", "The operation is not implemented."},
    {NoInterface, "E_NOINTERFACE", "The requested interface is not supported."},
    {InvalidCall, "D3DERR_INVALIDCALL", "The call is not valid with these arguments or in this state."},
    {NotAvailable, "D3DERR_NOTAVAILABLE", "The device does not support the queried technique."},
    {DeviceLost, "D3DERR_DEVICELOST", "The device is lost and cannot be reset yet."},
    {DeviceNotReset, "D3DERR_DEVICENOTRESET", "The device is lost and can be reset now."},
    {NotFound, "D3DERR_NOTFOUND", "The requested item was not found."},
    {MoreData, "D3DERR_MOREDATA", "There is more data than the given buffer can hold."},
    {OutOfVideoMemory, "D3DERR_OUTOFVIDEOMEMORY", "Not enough display memory was available."},
    {InvalidMesh, "D3DXERR_INVALIDMESH", "The mesh is not valid."},
    {TooManyInfluences, "D3DXERR_TOOMANYINFLUENCES",
     "A face needs more bone influences than the matrix palette holds."},
    {InvalidData, "D3DXERR_INVALIDDATA", "The data is not valid."},
};

const ResultText* FindText(Result result)
{
    for (const ResultText& text : kResultTexts)
    {
        if (text.result == result)
        {
            return &text;
        }
    }
    return nullptr;
}

} // namespace

const char* ErrorName(Result result)
{
    const ResultText* text = FindText(result);
    return text ? text->name : "Unknown";
}

const char* ErrorDescription(Result result)
{
    const ResultText* text = FindText(result);
    return text ? text->description : "The result code has no known meaning.";
}

} // namespace Platform::Gfx
