#include "plugin/commands/rejected_types.h"

#include <algorithm>

// Gmail's list of blocked file types and the list of attachments that
// Outlook, Outlook.com's too, blocks, as each service published it; see
// docs/decisions.md.
const char kDefaultRejectedTypes[] =
    // Both.
    "ade adp bat chm cmd com cpl diagcab exe hta ins isp jar jnlp js jse lnk mde msc msi msp mst pif ps1 scr sct "
    "shb vb vbe vbs vhd wsc wsf wsh xll "
    // Gmail alone.
    "apk appx appxbundle cab diagcfg diagpkg dll dmg ex ex_ img iso lib mjs msix msixbundle nsh sys vxd "
    // Outlook alone.
    "app application appref-ms asp aspx asx bas bgi cer cnt crt csh der fxp gadget grp hlp hpj htc inf its ksh "
    "mad maf mag mam maq mar mas mat mau mav maw mcf mda mdb mdt mdw mdz msh msh1 msh2 mshxml msh1xml msh2xml msu "
    "ops osd pcd pl plg prf prg printerexport ps1xml ps2 ps2xml psc1 psc2 psd1 psdm1 pst py pyc pyo pyw pyz pyzw "
    "reg scf shs theme tmp url vbp vhdx vsmacros vsw webpnp website ws xbap xnk";

namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

std::vector<std::string> ParseRejectedTypes(const std::string& setting) {
  std::vector<std::string> types;
  size_t start = 0;
  while (start < setting.size()) {
    const size_t end = setting.find_first_of(" \t,;", start);
    std::string type = setting.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (type.compare(0, 2, "*.") == 0) type.erase(0, 2);
    if (!type.empty() && type[0] == '.') type.erase(0, 1);
    if (!type.empty()) types.push_back(Lower(type));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return types;
}

bool HasRejectedType(const std::string& name, const std::vector<std::string>& types) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  const std::string suffix = Lower(name.substr(dot + 1));
  return std::find(types.begin(), types.end(), suffix) != types.end();
}
