# The Qt Widgets layer and the desktop program.
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets PrintSupport Svg)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

file(GLOB VAVIRIR_UI_SOURCES CONFIGURE_DEPENDS
  app/*.cpp app/*.h common/ui/*.cpp common/ui/*.h link/ui/*.cpp link/ui/*.h docview/ui/*.cpp docview/ui/*.h
  display/ui/*.cpp display/ui/*.h fft/ui/*.cpp fft/ui/*.h)
list(FILTER VAVIRIR_UI_SOURCES EXCLUDE REGEX "/app/main\\.cpp$")
file(GLOB VAVIRIR_UI_RESOURCES CONFIGURE_DEPENDS resources/*.qrc)
add_library(vavirir_ui STATIC ${VAVIRIR_UI_SOURCES} ${VAVIRIR_UI_RESOURCES})
# The widget layer is the top of the tree: it may include any folder.
target_include_directories(vavirir_ui PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vavirir_ui PUBLIC vavirir_core vavirir_bluetooth vavirir_mqtt Qt6::Widgets Qt6::PrintSupport Qt6::Svg)
# The demo meter plays the simulator's live scenario in-process.
target_link_libraries(vavirir_ui PRIVATE vavirir_frames)

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/app/main.cpp)
  add_executable(vavirir app/main.cpp)
  target_link_libraries(vavirir PRIVATE vavirir_ui)
  # The help page is installed beside the program.
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/resources/help.html)
    configure_file(resources/help.html ${CMAKE_CURRENT_BINARY_DIR}/help.html COPYONLY)
  endif()
endif()
