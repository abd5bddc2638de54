#include "config/cfg_page_map.h"

const char* CfgPageNode(CfgPageId page) {
  switch (page) {
    case CfgPageId::Dev: return "通道参数设置";
    case CfgPageId::Channel: return "通道";
    case CfgPageId::Terminal: return "终端参数";
    case CfgPageId::CenterAddress: return "中心地址参数";
    case CfgPageId::CenterOther: return "中心其它参数";
    case CfgPageId::Camera: return "摄像头参数";
    case CfgPageId::CameraTimer: return "摄像头定时报";
    case CfgPageId::Sms: return "短信参数";
    case CfgPageId::ComTrans: return "串口传输参数";
    case CfgPageId::Storage: return "存储设置和数据查询";
    case CfgPageId::Count: break;
  }
  return "";
}
