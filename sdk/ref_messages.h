// Stand-in host: reference messages, channel and part masks, result codes.
#pragma once
#include "host_types.h"

using RefMessage = unsigned int;
using PartID = ULONG;
using ChannelMask = ULONG;

enum RefResult { REF_FAIL = 0, REF_SUCCEED = 1, REF_DONTCARE = 2, REF_STOP = 3, REF_INVALID = 4 };

enum IOResult { IO_OK = 0, IO_END = 1, IO_ERROR = 2 };

// Object channels; a modifier's ChannelsUsed/ChannelsChanged are masks of these.
constexpr ChannelMask TOPO_CHANNEL = 1u << 0;
constexpr ChannelMask GEOM_CHANNEL = 1u << 1;
constexpr ChannelMask TEXMAP_CHANNEL = 1u << 2;
constexpr ChannelMask MTL_CHANNEL = 1u << 3;
constexpr ChannelMask SELECT_CHANNEL = 1u << 4;
constexpr ChannelMask SUBSEL_TYPE_CHANNEL = 1u << 5;
constexpr ChannelMask DISP_ATTRIB_CHANNEL = 1u << 6;
constexpr ChannelMask VERTCOLOR_CHANNEL = 1u << 7;
constexpr ChannelMask GFX_DATA_CHANNEL = 1u << 8;
constexpr ChannelMask DISP_APPROX_CHANNEL = 1u << 9;
constexpr ChannelMask EXTENSION_CHANNEL = 1u << 13;
constexpr ChannelMask ALL_CHANNELS = 0x37FF;

// Parts named in change notifications share the channel bits.
constexpr PartID PART_TOPO = TOPO_CHANNEL;
constexpr PartID PART_GEOM = GEOM_CHANNEL;
constexpr PartID PART_TEXMAP = TEXMAP_CHANNEL;
constexpr PartID PART_MTL = MTL_CHANNEL;
constexpr PartID PART_SELECT = SELECT_CHANNEL;
constexpr PartID PART_SUBSEL_TYPE = SUBSEL_TYPE_CHANNEL;
constexpr PartID PART_DISPLAY = DISP_ATTRIB_CHANNEL;
constexpr PartID PART_VERTCOLOR = VERTCOLOR_CHANNEL;
constexpr PartID PART_ALL = ALL_CHANNELS;

constexpr RefMessage REFMSG_TARGET_DELETED = 0x20;
constexpr RefMessage REFMSG_CHANGE = 0x50;
constexpr RefMessage REFMSG_BEGIN_EDIT = 0x90;
constexpr RefMessage REFMSG_END_EDIT = 0xA0;
constexpr RefMessage REFMSG_MOD_DISPLAY_ON = 0xF2;
constexpr RefMessage REFMSG_MOD_DISPLAY_OFF = 0xF3;
constexpr RefMessage REFMSG_SUBANIM_STRUCTURE_CHANGED = 0x10C;

// Target-class filter of NotifyDependents: every dependent.
constexpr ULONG NOTIFY_ALL = 0xFFFFFFF0;
