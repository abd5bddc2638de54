#pragma once
// The ten pages of the configuration workspace and which page shows each parameter.
enum class CfgPageId {
  Dev,            // clock page, node "通道参数设置"
  Channel,        // channel page, nodes 通道01 … 通道30
  Terminal,       // "终端参数"
  CenterAddress,  // "中心地址参数"
  CenterOther,    // "中心其它参数"
  Camera,         // "摄像头参数"
  CameraTimer,    // "摄像头定时报"
  Sms,            // "短信参数"
  ComTrans,       // "串口传输参数"
  Storage,        // "存储设置和数据查询"
  Count
};
constexpr int kCfgPageCount = static_cast<int>(CfgPageId::Count);

// The tree node text that shows the page (UTF-8); "通道" for the channel page, whose
// nodes carry the channel number.
const char* CfgPageNode(CfgPageId page);

// The page that shows parameter id: the page whose field table lists it
// (config/field_tables.h); CfgPageId::Count for ids no page shows.
CfgPageId PageOfParam(int id);
