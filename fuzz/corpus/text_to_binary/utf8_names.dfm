object 名前: Té
  Näme = 'café'
end
