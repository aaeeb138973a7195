# Where the program's web, store and mail links point. Chosen per deployment; the defaults use reserved
# example domains so that no default ever points at somebody else's site.
set(VIREO_SITE_ROOT "http://corvane.example/" CACHE STRING "Maker's web site root, with a trailing slash")
set(VIREO_ORG_DOMAIN "corvane.example" CACHE STRING "Organization domain (no scheme, no path)")
set(VIREO_STORE_NUMBER "000000000" CACHE STRING "Nine-digit store number of the application")
set(VIREO_STORE_SERVER "https://store.example/" CACHE STRING "Store server, with a trailing slash")
set(VIREO_ARTIST_PAGE "artist/corvane/id000000000" CACHE STRING "Maker's page path on the store server")
set(VIREO_CONTACT_ADDRESS "support@corvane.example" CACHE STRING "Contact e-mail address")

set(VIREO_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/VireoDeployment.h.in ${VIREO_GENERATED_DIR}/VireoDeployment.h @ONLY)
add_library(vireo_deployment INTERFACE)
target_include_directories(vireo_deployment INTERFACE ${VIREO_GENERATED_DIR})
