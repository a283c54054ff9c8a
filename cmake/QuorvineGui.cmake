# quorvine-gui: the Qt widgets (src/ui), the window and dialogs (src/app) and the program.
# These are the only targets that see Qt.
set(QUORVINE_GUI ON)
file(GLOB ui_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/*.cpp ${CMAKE_SOURCE_DIR}/src/ui/*.hpp)
add_library(quorvine_ui STATIC ${ui_sources} ${CMAKE_SOURCE_DIR}/src/ui/icons.qrc)
set_target_properties(quorvine_ui PROPERTIES AUTOMOC ON AUTORCC ON)
target_include_directories(quorvine_ui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(quorvine_ui PUBLIC quorvine_core Qt6::Widgets Qt6::WebEngineWidgets)

file(GLOB app_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/app/*.cpp ${CMAKE_SOURCE_DIR}/src/app/*.hpp)
list(FILTER app_sources EXCLUDE REGEX "/main\\.cpp$")
add_library(quorvine_app STATIC ${app_sources})
set_target_properties(quorvine_app PROPERTIES AUTOMOC ON)
target_link_libraries(quorvine_app PUBLIC quorvine_ui PkgConfig::CMARK)
target_compile_definitions(quorvine_app PRIVATE QUORVINE_VERSION="${PROJECT_VERSION}")

add_executable(quorvine-gui ${CMAKE_SOURCE_DIR}/src/app/main.cpp)
target_link_libraries(quorvine-gui PRIVATE quorvine_app)
target_compile_definitions(quorvine-gui PRIVATE QUORVINE_VERSION="${PROJECT_VERSION}")

target_compile_definitions(quorvine_app PRIVATE QUORVINE_SOURCE_README="${CMAKE_SOURCE_DIR}/README.md")
