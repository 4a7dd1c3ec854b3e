// The review page's own files, built into the program from cli/review/web:
// the HTML with its three markers, the style sheet and the script bundled
// with three.js (review_page.cmake).
#pragma once
#include <string_view>

std::string_view ReviewPageTemplate();  // holds <!--fernwick:style-->, <!--fernwick:data-->, <!--fernwick:script-->
std::string_view ReviewPageStyle();
std::string_view ReviewPageScript();
