SELECT 'a'':b', "unclosed :Q
/* unclosed :R