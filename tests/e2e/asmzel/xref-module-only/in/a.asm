; nothing but the module
 END
