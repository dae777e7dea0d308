/* Preloaded into vortelan-capture by its tests: the module decoder refuses
   every module, as it would one it cannot read, so the capture meets a module
   that does not load. */
#include <libopenmpt/libopenmpt.h>
#include <stddef.h>

openmpt_module* openmpt_module_create_from_memory2(const void* data, size_t size, openmpt_log_func log, void* logUser,
                                                   openmpt_error_func onError, void* errorUser, int* error,
                                                   const char** message, const openmpt_module_initial_ctl* ctls) {
    (void)data, (void)size, (void)log, (void)logUser, (void)onError, (void)errorUser, (void)ctls;
    if (error) *error = OPENMPT_ERROR_GENERAL;
    if (message) *message = NULL;
    return NULL;
}
