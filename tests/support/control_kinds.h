// Interface identifiers that stand for the kinds of the client's controls.
//
// The client's language runtime answers a type test ("is this a text box?")
// by asking the object for the interface of that control class.  Our model
// objects answer QueryInterface for the identifier of their own kind with
// their IDispatch, and refuse every other kind, so the library's type tests
// can be exercised without the client's runtime.  The library will share
// these identifiers when it needs its own type tests; until then they live
// here and are the single source for both sides.
#pragma once

#include <windows.h>

namespace kb::support {

// {375B1CBA-F950-42F1-A8D3-0DD34B3457A1}
inline constexpr GUID kKindForm = {
    0x375b1cba, 0xf950, 0x42f1, {0xa8, 0xd3, 0x0d, 0xd3, 0x4b, 0x34, 0x57, 0xa1}};
// {9C7CB810-B757-44A0-9B03-AB2B784E7581}
inline constexpr GUID kKindTextBox = {
    0x9c7cb810, 0xb757, 0x44a0, {0x9b, 0x03, 0xab, 0x2b, 0x78, 0x4e, 0x75, 0x81}};
// {907ADB73-19D8-4611-83DE-6331D2B8ABC5}
inline constexpr GUID kKindListBox = {
    0x907adb73, 0x19d8, 0x4611, {0x83, 0xde, 0x63, 0x31, 0xd2, 0xb8, 0xab, 0xc5}};
// {4CFA5F1D-E822-4FB0-BFFA-D6B6314438BA}
inline constexpr GUID kKindLabel = {
    0x4cfa5f1d, 0xe822, 0x4fb0, {0xbf, 0xfa, 0xd6, 0xb6, 0x31, 0x44, 0x38, 0xba}};
// {A8E0C445-D569-40C1-B37F-A3284C1C6DE6}
inline constexpr GUID kKindCommandButton = {
    0xa8e0c445, 0xd569, 0x40c1, {0xb3, 0x7f, 0xa3, 0x28, 0x4c, 0x1c, 0x6d, 0xe6}};
// {80529A32-DB4C-4B96-8CDE-D49F4B2A1234}
inline constexpr GUID kKindLine = {
    0x80529a32, 0xdb4c, 0x4b96, {0x8c, 0xde, 0xd4, 0x9f, 0x4b, 0x2a, 0x12, 0x34}};
// {C263FE7B-5C9A-450E-8448-3D639270A3C6}
inline constexpr GUID kKindTimer = {
    0xc263fe7b, 0x5c9a, 0x450e, {0x84, 0x48, 0x3d, 0x63, 0x92, 0x70, 0xa3, 0xc6}};
// {C33FE0E2-B685-4258-BFED-A8FDCA11D6BF}
inline constexpr GUID kKindListView = {
    0xc33fe0e2, 0xb685, 0x4258, {0xbf, 0xed, 0xa8, 0xfd, 0xca, 0x11, 0xd6, 0xbf}};
// {5ADFF45B-CA55-4AC0-A6E6-CC2EBC65DD34}
inline constexpr GUID kKindPictureBox = {
    0x5adff45b, 0xca55, 0x4ac0, {0xa6, 0xe6, 0xcc, 0x2e, 0xbc, 0x65, 0xdd, 0x34}};
// {85304E48-36D6-445D-978B-A33B0C1C9500}
inline constexpr GUID kKindCommonDialog = {
    0x85304e48, 0x36d6, 0x445d, {0x97, 0x8b, 0xa3, 0x3b, 0x0c, 0x1c, 0x95, 0x00}};

}  // namespace kb::support
