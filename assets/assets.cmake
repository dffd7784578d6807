# The images built into the program. They are made by make-assets.py (run by hand, the results committed),
# so a build needs neither Python nor Pillow. The @2x banner and the 64-pixel icons serve screens scaled by 2.
qt_add_resources(quentaril_ui quentaril_assets
    PREFIX /assets
    BASE ${CMAKE_SOURCE_DIR}/assets
    FILES
        ${CMAKE_SOURCE_DIR}/assets/banner.jpg
        ${CMAKE_SOURCE_DIR}/assets/banner@2x.jpg
        ${CMAKE_SOURCE_DIR}/assets/main-icon-64.png
        ${CMAKE_SOURCE_DIR}/assets/main-icon-32.png
        ${CMAKE_SOURCE_DIR}/assets/main-icon-16.png
        ${CMAKE_SOURCE_DIR}/assets/about-icon-64.png
        ${CMAKE_SOURCE_DIR}/assets/about-icon-32.png
        ${CMAKE_SOURCE_DIR}/assets/about-icon-16.png
        ${CMAKE_SOURCE_DIR}/assets/link-cursor.png)
